// The seventeen functions of librapi.so over the one RapiClient. No exception leaves them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/FindEntry.h"
#include "bridge/RapiClient.h"
#include "bridge/rapi.h"

#define RAPI_EXPORT __attribute__((visibility("default")))

using namespace mirrodex::bridge;

namespace {

constexpr uint32_t kNoHandle = 0xFFFFFFFFu;

// A string longer than the device accepts; the call fails here instead of ending the link.
struct TooLong {};

std::u16string Text(LPCWSTR text) {
  if (text == nullptr) return {};
  size_t length = 0;
  while (text[length] != 0) {
    if (++length > kMaxWireStringUnits) throw TooLong{};
  }
  return std::u16string(text, length);
}

HANDLE ToHandle(int32_t value) {
  const auto device = static_cast<uint32_t>(value);
  return device == kNoHandle ? RAPI_INVALID_HANDLE_VALUE
                             : reinterpret_cast<HANDLE>(static_cast<uintptr_t>(device));
}

// The device's number for a handle; kNoHandle for one it never gave.
uint32_t FromHandle(HANDLE handle) {
  const auto value = reinterpret_cast<uintptr_t>(handle);
  return value == 0 || value > 0xFFFFFFFEu ? kNoHandle : static_cast<uint32_t>(value);
}

RapiClient& Client() {
  return RapiClient::Instance();
}

template <typename Result, typename Body>
Result Guarded(Result failure, Body body) {
  try {
    return body();
  } catch (const TooLong&) {
    Client().SetLastError(kErrorFilenameTooLong);
    return failure;
  } catch (...) {
    Client().SetLastError(kErrorNotEnoughMemory);
    return failure;
  }
}

// A call whose whole answer is its result.
bool SimpleCall(CallCode code, const WireWriter& arguments, int32_t& result,
                std::vector<uint8_t>& outputs) {
  return Client().Call(code, const_cast<WireWriter&>(arguments).Buffer(), result, outputs);
}

void FillFindData(const FindEntry& entry, CE_FIND_DATA* data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = entry.attributes;
  const auto split = [](uint64_t value, FILETIME& time) {
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  };
  split(entry.creationTime, data->ftCreationTime);
  split(entry.accessTime, data->ftLastAccessTime);
  split(entry.writeTime, data->ftLastWriteTime);
  data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(entry.size);
  const size_t units = std::min<size_t>(entry.name.size(), RAPI_MAX_PATH - 1);
  std::memcpy(data->cFileName, entry.name.data(), units * sizeof(WCHAR));
}

// The answer of a search call: the handle or success, then one entry.
int32_t FindCall(CallCode code, const WireWriter& arguments, CE_FIND_DATA* data, int32_t failure) {
  int32_t result = failure;
  std::vector<uint8_t> outputs;
  if (!SimpleCall(code, arguments, result, outputs)) return failure;
  WireReader in(outputs);
  FindEntry entry;
  if (!ReadFindEntry(in, entry)) return failure;
  if (result != failure && data != nullptr) FillFindData(entry, data);
  return result;
}

BOOL PathCall(CallCode code, LPCWSTR path) {
  WireWriter arguments;
  arguments.String(Text(path));
  int32_t result = 0;
  std::vector<uint8_t> outputs;
  return SimpleCall(code, arguments, result, outputs) && result != 0;
}

}  // namespace

extern "C" {

RAPI_EXPORT HRESULT CeRapiInitEx(RAPIINIT* init) {
  return Guarded<HRESULT>(kEFail, [&] { return Client().InitEx(init); });
}

RAPI_EXPORT HRESULT CeRapiInit(void) {
  return Guarded<HRESULT>(kEFail, [] { return Client().Init(); });
}

RAPI_EXPORT HRESULT CeRapiUninit(void) {
  return Guarded<HRESULT>(kEFail, [] { return Client().Uninit(); });
}

RAPI_EXPORT HRESULT CeRapiGetError(void) {
  return Client().LinkError();
}

RAPI_EXPORT DWORD CeGetLastError(void) {
  return Client().LastError();
}

RAPI_EXPORT HANDLE CeCreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPVOID,
                                DWORD dwCreationDisposition, DWORD, HANDLE) {
  return Guarded<HANDLE>(RAPI_INVALID_HANDLE_VALUE, [&] {
    WireWriter arguments;
    arguments.String(Text(lpFileName));
    arguments.U32(dwDesiredAccess);
    arguments.U32(dwCreationDisposition);
    int32_t result = -1;
    std::vector<uint8_t> outputs;
    return SimpleCall(CallCode::kCreateFile, arguments, result, outputs)
               ? ToHandle(result)
               : RAPI_INVALID_HANDLE_VALUE;
  });
}

RAPI_EXPORT BOOL CeReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                            LPDWORD lpNumberOfBytesRead, LPVOID) {
  return Guarded<BOOL>(0, [&]() -> BOOL {
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) {
      Client().SetLastError(kErrorInvalidParameter);
      return 0;
    }
    DWORD total = 0;
    // Blocks of at most one call's size, until the request is met or the file ends.
    do {
      WireWriter arguments;
      arguments.U32(FromHandle(hFile));
      arguments.U32(std::min(nNumberOfBytesToRead - total, kMaxFileBlock));
      int32_t result = 0;
      std::vector<uint8_t> outputs;
      if (!SimpleCall(CallCode::kReadFile, arguments, result, outputs) || result == 0) return 0;
      WireReader in(outputs);
      const auto bytes = in.Bytes(nNumberOfBytesToRead - total);
      if (!in.Finished()) {
        Client().SetLastError(kErrorInvalidParameter);
        return 0;
      }
      std::memcpy(static_cast<uint8_t*>(lpBuffer) + total, bytes.data(), bytes.size());
      total += static_cast<DWORD>(bytes.size());
      if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = total;
      if (bytes.size() < kMaxFileBlock) break;
    } while (total < nNumberOfBytesToRead);
    return 1;
  });
}

RAPI_EXPORT BOOL CeWriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                             LPDWORD lpNumberOfBytesWritten, LPVOID) {
  return Guarded<BOOL>(0, [&]() -> BOOL {
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) {
      Client().SetLastError(kErrorInvalidParameter);
      return 0;
    }
    DWORD total = 0;
    do {
      const DWORD block = std::min(nNumberOfBytesToWrite - total, kMaxFileBlock);
      WireWriter arguments;
      arguments.U32(FromHandle(hFile));
      arguments.Bytes({static_cast<const uint8_t*>(lpBuffer) + total, block});
      int32_t result = 0;
      std::vector<uint8_t> outputs;
      if (!SimpleCall(CallCode::kWriteFile, arguments, result, outputs) || result == 0) return 0;
      total += block;
      if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = total;
    } while (total < nNumberOfBytesToWrite);
    return 1;
  });
}

RAPI_EXPORT DWORD CeGetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  return Guarded<DWORD>(0xFFFFFFFFu, [&]() -> DWORD {
    WireWriter arguments;
    arguments.U32(FromHandle(hFile));
    int32_t result = 0;
    std::vector<uint8_t> outputs;
    if (!SimpleCall(CallCode::kGetFileSize, arguments, result, outputs) || result == 0)
      return 0xFFFFFFFFu;
    WireReader in(outputs);
    const uint64_t size = in.U64();
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
  });
}

RAPI_EXPORT BOOL CeCloseHandle(HANDLE hObject) {
  return Guarded<BOOL>(0, [&]() -> BOOL {
    WireWriter arguments;
    arguments.U32(FromHandle(hObject));
    int32_t result = 0;
    std::vector<uint8_t> outputs;
    return SimpleCall(CallCode::kCloseHandle, arguments, result, outputs) && result != 0;
  });
}

RAPI_EXPORT HANDLE CeFindFirstFile(LPCWSTR lpFileName, CE_FIND_DATA* lpFindFileData) {
  return Guarded<HANDLE>(RAPI_INVALID_HANDLE_VALUE, [&] {
    WireWriter arguments;
    arguments.String(Text(lpFileName));
    return ToHandle(FindCall(CallCode::kFindFirstFile, arguments, lpFindFileData, -1));
  });
}

RAPI_EXPORT BOOL CeFindNextFile(HANDLE hFindFile, CE_FIND_DATA* lpFindFileData) {
  return Guarded<BOOL>(0, [&]() -> BOOL {
    WireWriter arguments;
    arguments.U32(FromHandle(hFindFile));
    return FindCall(CallCode::kFindNextFile, arguments, lpFindFileData, 0) != 0;
  });
}

RAPI_EXPORT BOOL CeCreateDirectory(LPCWSTR lpPathName, LPVOID) {
  return Guarded<BOOL>(0, [&] { return PathCall(CallCode::kCreateDirectory, lpPathName); });
}

RAPI_EXPORT BOOL CeDeleteFile(LPCWSTR lpFileName) {
  return Guarded<BOOL>(0, [&] { return PathCall(CallCode::kDeleteFile, lpFileName); });
}

RAPI_EXPORT BOOL CeCreateProcess(LPCWSTR lpApplicationName, LPCWSTR lpCommandLine, LPVOID, LPVOID,
                                 BOOL, DWORD, LPVOID, LPWSTR, LPVOID,
                                 PROCESS_INFORMATION* lpProcessInformation) {
  return Guarded<BOOL>(0, [&]() -> BOOL {
    if (lpProcessInformation != nullptr)
      std::memset(lpProcessInformation, 0, sizeof *lpProcessInformation);
    WireWriter arguments;
    arguments.String(Text(lpApplicationName));
    arguments.String(Text(lpCommandLine));
    int32_t result = 0;
    std::vector<uint8_t> outputs;
    if (!SimpleCall(CallCode::kCreateProcess, arguments, result, outputs) || result == 0) return 0;
    WireReader in(outputs);
    const uint32_t pid = in.U32();
    if (lpProcessInformation != nullptr) lpProcessInformation->dwProcessId = pid;
    return 1;
  });
}

RAPI_EXPORT void CeGetSystemInfo(SYSTEM_INFO* lpSystemInfo) {
  if (lpSystemInfo == nullptr) return;
  std::memset(lpSystemInfo, 0, sizeof *lpSystemInfo);
  lpSystemInfo->wProcessorArchitecture = 0xFFFF;
  Guarded<int>(0, [&] {
    int32_t result = 0;
    std::vector<uint8_t> outputs;
    if (!Client().Call(CallCode::kGetSystemInfo, {}, result, outputs)) return 0;
    WireReader in(outputs);
    SYSTEM_INFO info{};
    info.wProcessorArchitecture = in.U16();
    info.dwPageSize = in.U32();
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(in.U64()));
    info.lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(in.U64()));
    info.dwActiveProcessorMask = in.U32();
    info.dwNumberOfProcessors = in.U32();
    info.dwProcessorType = in.U32();
    info.dwAllocationGranularity = in.U32();
    if (in.Finished()) *lpSystemInfo = info;
    return 0;
  });
}

RAPI_EXPORT HRESULT CeRapiInvoke(LPCWSTR pDllPath, LPCWSTR pFunctionName, DWORD cbInput,
                                 BYTE* pInput, DWORD* pcbOutput, BYTE** ppOutput,
                                 IRAPIStream** ppIRAPIStream, DWORD) {
  // The input block is the library's to free, whatever happens.
  struct FreeInput {
    BYTE* block;
    ~FreeInput() { std::free(block); }
  } freeInput{pInput};
  if (pcbOutput != nullptr) *pcbOutput = 0;
  if (ppOutput != nullptr) *ppOutput = nullptr;
  if (ppIRAPIStream == nullptr || pDllPath == nullptr || pFunctionName == nullptr)
    return kEInvalidArg;
  *ppIRAPIStream = nullptr;
  return Guarded<HRESULT>(kEFail, [&] {
    const std::span<const uint8_t> input(pInput, pInput != nullptr ? cbInput : 0);
    return Client().Invoke(Text(pDllPath), Text(pFunctionName), input, ppIRAPIStream);
  });
}

}  // extern "C"
