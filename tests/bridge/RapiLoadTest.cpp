// librapi.so as the desktop binds it at run time: every one of the seventeen names is there,
// and the library can be loaded, used and unloaded again, also after a failed start.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>

#include "bridge/rapi.h"

namespace {

TEST(RapiLibrary, BindsAllSeventeenNamesAndUnloadsCleanlyAfterFailedAndWorkingStarts) {
  const char* const names[] = {"CeCreateFile",     "CeWriteFile",     "CeCloseHandle", "CeFindFirstFile",
                               "CeGetFileSize",    "CeReadFile",      "CeFindNextFile", "CeCreateDirectory",
                               "CeCreateProcess",  "CeGetSystemInfo", "CeGetLastError", "CeRapiInitEx",
                               "CeDeleteFile",     "CeRapiInvoke",    "CeRapiGetError", "CeRapiUninit",
                               "CeRapiInit"};
  for (const char* link : {"sleep 60", "exec '" MIRRODEX_BIN_DIR "/mirrodex-bridge'"}) {
    ::setenv("MIRRODEX_LINK", link, 1);
    void* library = ::dlopen(MIRRODEX_BIN_DIR "/librapi.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const char* name : names) EXPECT_NE(::dlsym(library, name), nullptr) << name;
    const auto initEx = reinterpret_cast<decltype(&CeRapiInitEx)>(::dlsym(library, "CeRapiInitEx"));
    const auto uninit = reinterpret_cast<decltype(&CeRapiUninit)>(::dlsym(library, "CeRapiUninit"));
    RAPIINIT init{};
    init.cbSize = sizeof init;
    ASSERT_EQ(initEx(&init), 0);
    pollfd event{static_cast<int>(reinterpret_cast<intptr_t>(init.heRapiInit)), POLLIN, 0};
    const bool answered = ::poll(&event, 1, 3000) == 1 && init.hrRapiInit == 0;
    EXPECT_EQ(answered, link[0] != 's') << link;
    EXPECT_EQ(uninit(), 0);
    EXPECT_EQ(::dlclose(library), 0);
  }
}

}  // namespace
