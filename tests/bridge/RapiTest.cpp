// librapi.so against a real mirrodex-bridge run through the link command: the start that
// fails in time, the file functions under the bridge's root and their confinement, and what
// the bridge refuses to load or start.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "bridge/rapi.h"
#include "protocol/IRAPIStream.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CeRapiInitEx and a wait of `waitMs` for its event, as the desktop's Load does.
HRESULT InitAndWait(int waitMs) {
  RAPIINIT init{};
  init.cbSize = sizeof init;
  if (const HRESULT started = CeRapiInitEx(&init); started < 0) return started;
  pollfd event{static_cast<int>(reinterpret_cast<intptr_t>(init.heRapiInit)), POLLIN, 0};
  if (::poll(&event, 1, waitMs) <= 0) return static_cast<HRESULT>(0x800705B4u);  // timed out
  return init.hrRapiInit;
}

class Rapi : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("mirrodex-rapi-root-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "in");
    outside = root.string() + "-outside";
    fs::create_directories(outside);
    const std::string link =
        "exec '" MIRRODEX_BIN_DIR "/mirrodex-bridge' --root '" + root.string() + "'";
    ::setenv("MIRRODEX_LINK", link.c_str(), 1);
  }
  void TearDown() override {
    CeRapiUninit();
    fs::remove_all(root);
    fs::remove_all(outside);
  }
  fs::path root;
  fs::path outside;
};

TEST_F(Rapi, StartFailsInTimeWhenTheLinkCommandFailsOrNeverAnswers) {
  ::setenv("MIRRODEX_LINK", "sleep 60", 1);
  auto start = Clock::now();
  EXPECT_LT(InitAndWait(3000), 0);
  EXPECT_EQ(CeRapiUninit(), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4500));

  ::setenv("MIRRODEX_LINK", "exit 3", 1);
  start = Clock::now();
  EXPECT_LT(InitAndWait(3000), 0);
  EXPECT_LT(CeRapiGetError(), 0) << "a link that ended is a communication error";
  CeRapiUninit();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));

  // Something that prints instead of speaking the link (a login banner, a shell) is refused.
  ::setenv("MIRRODEX_LINK", "echo hello there; sleep 60", 1);
  start = Clock::now();
  EXPECT_LT(CeRapiInit(), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
  CeRapiUninit();
}

TEST_F(Rapi, FileFunctionsWorkUnderTheRootInBlocksAndFindListsIt) {
  ASSERT_EQ(InitAndWait(10000), 0);
  // Larger than one call's block, so it travels in several.
  std::vector<uint8_t> bytes(2500000);
  std::mt19937 random(3);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
  HANDLE file = CeCreateFile(u"\\in\\data.bin", RAPI_GENERIC_WRITE, 0, nullptr, RAPI_CREATE_ALWAYS,
                             0, nullptr);
  ASSERT_NE(file, RAPI_INVALID_HANDLE_VALUE) << CeGetLastError();
  DWORD written = 0;
  ASSERT_TRUE(CeWriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  EXPECT_EQ(written, bytes.size());
  EXPECT_TRUE(CeCloseHandle(file));
  EXPECT_FALSE(CeCloseHandle(file)) << "a handle closes once";
  EXPECT_EQ(CeGetLastError(), 6u);

  file = CeCreateFile(u"\\in\\data.bin", RAPI_GENERIC_READ, 0, nullptr, RAPI_OPEN_EXISTING, 0,
                      nullptr);
  ASSERT_NE(file, RAPI_INVALID_HANDLE_VALUE);
  DWORD high = 7;
  EXPECT_EQ(CeGetFileSize(file, &high), bytes.size());
  EXPECT_EQ(high, 0u);
  std::vector<uint8_t> back(bytes.size() + 100);
  DWORD read = 0;
  ASSERT_TRUE(CeReadFile(file, back.data(), static_cast<DWORD>(back.size()), &read, nullptr));
  ASSERT_EQ(read, bytes.size());
  back.resize(read);
  EXPECT_EQ(back, bytes);
  ASSERT_TRUE(CeReadFile(file, back.data(), 10, &read, nullptr));
  EXPECT_EQ(read, 0u) << "at the end of the file";
  CeCloseHandle(file);

  EXPECT_EQ(
      CeCreateFile(u"\\in\\data.bin", RAPI_GENERIC_WRITE, 0, nullptr, RAPI_CREATE_NEW, 0, nullptr),
      RAPI_INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), 80u);
  EXPECT_TRUE(CeCreateDirectory(u"\\in\\sub", nullptr));
  EXPECT_FALSE(CeCreateDirectory(u"\\in\\sub", nullptr));
  CE_FIND_DATA found{};
  HANDLE search = CeFindFirstFile(u"\\in\\*", &found);
  ASSERT_NE(search, RAPI_INVALID_HANDLE_VALUE);
  std::map<std::u16string, CE_FIND_DATA> names;
  do names[found.cFileName] = found;
  while (CeFindNextFile(search, &found));
  EXPECT_EQ(CeGetLastError(), 18u);
  CeCloseHandle(search);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[u"data.bin"].nFileSizeLow, bytes.size());
  EXPECT_TRUE(names[u"sub"].dwFileAttributes & RAPI_FILE_ATTRIBUTE_DIRECTORY);
  // Searches are bounded: the ninth open one is refused until one is closed.
  std::vector<HANDLE> searches;
  for (int i = 0; i < 8; ++i) searches.push_back(CeFindFirstFile(u"\\in\\*", &found));
  EXPECT_EQ(std::count(searches.begin(), searches.end(), RAPI_INVALID_HANDLE_VALUE), 0);
  EXPECT_EQ(CeFindFirstFile(u"\\in\\*", &found), RAPI_INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), 4u);
  for (HANDLE h : searches) CeCloseHandle(h);
  EXPECT_TRUE(CeDeleteFile(u"\\in\\data.bin"));
  EXPECT_FALSE(fs::exists(root / "in" / "data.bin"));
  EXPECT_EQ(CeFindFirstFile(u"\\in\\*.bin", &found), RAPI_INVALID_HANDLE_VALUE);

  SYSTEM_INFO info{};
  CeGetSystemInfo(&info);
  EXPECT_EQ(info.dwPageSize, static_cast<DWORD>(::sysconf(_SC_PAGESIZE)));
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  EXPECT_EQ(CeRapiGetError(), 0);
}

TEST_F(Rapi, PathsOutsideTheRootAndOtherLibrariesAndProgramsAreRefused) {
  ASSERT_EQ(InitAndWait(10000), 0);
  std::ofstream(fs::path(outside) / "secret") << "x";
  fs::create_symlink(outside, root / "in" / "escape");
  for (const char16_t* path :
       {u"\\..\\secret", u"\\in\\escape\\secret", u"C:\\secret", u"\\in/../../secret"}) {
    EXPECT_EQ(CeCreateFile(path, RAPI_GENERIC_READ, 0, nullptr, RAPI_OPEN_EXISTING, 0, nullptr),
              RAPI_INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CeDeleteFile(path));
  }
  EXPECT_TRUE(fs::exists(fs::path(outside) / "secret"));
  // A path longer than the device takes fails here and leaves the link working.
  const std::u16string huge(40000, u'a');
  EXPECT_FALSE(CeDeleteFile(huge.c_str()));
  EXPECT_EQ(CeGetLastError(), 206u);
  CE_FIND_DATA found{};
  EXPECT_EQ(CeFindFirstFile(u"\\in\\escape\\*", &found), RAPI_INVALID_HANDLE_VALUE);

  for (const char16_t* library :
       {u"libc.so.6", u"\\Windows\\Other.dll", u"../bin/libMirrodex.so"}) {
    IRAPIStream* stream = nullptr;
    EXPECT_LT(CeRapiInvoke(library, u"fnMirrodex1", 0, nullptr, nullptr, nullptr, &stream, 0), 0);
    EXPECT_EQ(stream, nullptr);
  }
  IRAPIStream* stream = nullptr;
  EXPECT_LT(CeRapiInvoke(u"Mirrodex.dll", u"fnMirrodex3", 0, nullptr, nullptr, nullptr, &stream, 0),
            0);
  EXPECT_LT(CeRapiInvoke(u"Mirrodex.dll", u"fnMirrodex1", 0, nullptr, nullptr, nullptr, nullptr, 0),
            0)
      << "only stream mode";
  PROCESS_INFORMATION process{};
  EXPECT_FALSE(CeCreateProcess(u"/bin/sh", u"-c true", nullptr, nullptr, 0, 0, nullptr, nullptr,
                               nullptr, &process));
  EXPECT_FALSE(CeCreateProcess(u"\\Windows\\evil.exe", u"", nullptr, nullptr, 0, 0, nullptr,
                               nullptr, nullptr, &process));
  // The host program under the third of its names, with the command line as given.
  ASSERT_TRUE(CeCreateProcess(u"\\IPSM\\Windows\\Mirrodex.exe", u"--help", nullptr, nullptr, 0, 0,
                              nullptr, nullptr, nullptr, &process));
  EXPECT_GT(process.dwProcessId, 0u);
  // No remover is installed beside this bridge.
  EXPECT_FALSE(CeCreateProcess(u"unload.exe", u"", nullptr, nullptr, 0, 0, nullptr, nullptr,
                               nullptr, &process));
  EXPECT_EQ(CeGetLastError(), 2u);
  // The refusals were answers, not link failures: the link still works.
  EXPECT_EQ(CeRapiGetError(), 0);
  EXPECT_TRUE(CeCreateDirectory(u"\\still", nullptr));
}

}  // namespace
