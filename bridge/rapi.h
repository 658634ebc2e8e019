/* librapi.so: the desktop end of the bridge to a device, with the Remote API's seventeen
 * functions and their signatures. Wide strings are UTF-16 (WCHAR is char16_t), handles are
 * opaque, structures are plain C.
 *
 * The link is the command in MIRRODEX_LINK, run through /bin/sh (for example
 * "ssh user@device mirrodex-bridge"); without it, mirrodex-bridge from the running program's
 * folder (or the folder of this library), which makes this machine the device.
 *
 * Threads: every function may be called from any thread; device calls are carried out one at
 * a time. CeGetLastError and CeRapiGetError report the last call of any thread.
 * Unloading the library while a stream from CeRapiInvoke has not been released is not allowed.
 */
#ifndef MIRRODEX_BRIDGE_RAPI_H
#define MIRRODEX_BRIDGE_RAPI_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
namespace mirrodex {
class IRAPIStream;
}
typedef mirrodex::IRAPIStream IRAPIStream;
extern "C" {
#else
typedef struct IRAPIStream IRAPIStream;
#endif

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int32_t BOOL;
typedef int32_t HRESULT;
typedef char16_t WCHAR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;

#define RAPI_INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define RAPI_MAX_PATH 260

/* dwDesiredAccess */
#define RAPI_GENERIC_READ 0x80000000u
#define RAPI_GENERIC_WRITE 0x40000000u
/* dwCreationDisposition */
#define RAPI_CREATE_NEW 1
#define RAPI_CREATE_ALWAYS 2
#define RAPI_OPEN_EXISTING 3
#define RAPI_OPEN_ALWAYS 4
#define RAPI_TRUNCATE_EXISTING 5
/* dwFileAttributes */
#define RAPI_FILE_ATTRIBUTE_HIDDEN 0x2u
#define RAPI_FILE_ATTRIBUTE_SYSTEM 0x4u
#define RAPI_FILE_ATTRIBUTE_DIRECTORY 0x10u
#define RAPI_FILE_ATTRIBUTE_NORMAL 0x80u

typedef struct {
  DWORD cbSize;       /* sizeof(RAPIINIT) */
  HANDLE heRapiInit;  /* set by CeRapiInitEx; see there */
  HRESULT hrRapiInit; /* the outcome, valid once heRapiInit is signalled */
} RAPIINIT;

typedef struct {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME; /* 100 ns units since 1601-01-01 UTC */

typedef struct {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[RAPI_MAX_PATH];
} CE_FIND_DATA;

typedef struct {
  HANDLE hProcess; /* always null: the device keeps no handle for the caller */
  HANDLE hThread;  /* always null */
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION;

typedef struct {
  WORD wProcessorArchitecture; /* 0 x86, 5 ARM, 9 x86-64, 12 ARM64, 0xFFFF unknown */
  WORD wReserved;
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
} SYSTEM_INFO;

/* Starts the link (when it is not up) and returns at once. heRapiInit receives a file
 * descriptor cast to HANDLE that becomes readable (poll(2) it with a timeout) once the device
 * has answered (hrRapiInit S_OK) or the link failed (hrRapiInit negative). The descriptor
 * belongs to the library and stays valid until CeRapiUninit. */
HRESULT CeRapiInitEx(RAPIINIT* init);
/* Starts the link and waits (at most 10 s) until the device answers. */
HRESULT CeRapiInit(void);
/* Ends the link once no invoked stream is open; with streams open, when the last one closes. */
HRESULT CeRapiUninit(void);
/* S_OK while the link works; a failure code after the link failed or a call got no answer. */
HRESULT CeRapiGetError(void);
/* The device's error code (Windows numbering) of the last device call. */
DWORD CeGetLastError(void);

/* Files under the device's file root; paths use backslashes, "\" is the root. */
HANDLE CeCreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                    LPVOID lpSecurityAttributes, DWORD dwCreationDisposition,
                    DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL CeReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                LPDWORD lpNumberOfBytesRead, LPVOID lpOverlapped);
BOOL CeWriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                 LPDWORD lpNumberOfBytesWritten, LPVOID lpOverlapped);
DWORD CeGetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
/* Closes file and search handles alike. */
BOOL CeCloseHandle(HANDLE hObject);
/* The last name may hold the wildcards * and ?. */
HANDLE CeFindFirstFile(LPCWSTR lpFileName, CE_FIND_DATA* lpFindFileData);
BOOL CeFindNextFile(HANDLE hFindFile, CE_FIND_DATA* lpFindFileData);
BOOL CeCreateDirectory(LPCWSTR lpPathName, LPVOID lpSecurityAttributes);
BOOL CeDeleteFile(LPCWSTR lpFileName);

/* Starts "Mirrodex.exe" (also under \Windows, \IPSM\Windows, \Storage\Windows) or
 * "unload.exe" on the device with the command line as given; no other program. */
BOOL CeCreateProcess(LPCWSTR lpApplicationName, LPCWSTR lpCommandLine, LPVOID lpProcessAttributes,
                     LPVOID lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                     LPVOID lpEnvironment, LPWSTR lpCurrentDirectory, LPVOID lpStartupInfo,
                     PROCESS_INFORMATION* lpProcessInformation);
void CeGetSystemInfo(SYSTEM_INFO* lpSystemInfo);

/* Runs pFunctionName ("fnMirrodex1" or "fnMirrodex2") of pDllPath ("Mirrodex.dll", the agent
 * installed beside the device's bridge; no other library) in stream mode: *ppIRAPIStream
 * receives a stream whose Read and Write reach the export's stream; the caller releases it.
 * pInput must come from malloc (or be null): the library frees it in every case. Stream mode
 * only: without ppIRAPIStream the call fails. *pcbOutput is set to 0, *ppOutput to null. */
HRESULT CeRapiInvoke(LPCWSTR pDllPath, LPCWSTR pFunctionName, DWORD cbInput, BYTE* pInput,
                     DWORD* pcbOutput, BYTE** ppOutput, IRAPIStream** ppIRAPIStream,
                     DWORD dwReserved);

#ifdef __cplusplus
}
#endif

#endif
