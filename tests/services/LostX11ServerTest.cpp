// The agent's X11 backends in a child process whose X server goes away while they are in use
// (the clipboard owner thread running): stopped with SIGTERM, the child destroys them, used or
// not after the loss, and exits by itself with status 0, never hanging on a display left locked
// and never ended by Xlib's default handlers.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/services/PeerProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex::test {
namespace {

class LostX11Server : public ::testing::TestWithParam<const char*> {};

TEST_P(LostX11Server, BackendsAreDestroyedAndTheProcessExitsByItself) {
  std::string error;
  auto server = XvfbServer::Start({240, 320, 24}, error);
  ASSERT_TRUE(server) << error;
  ScopedEnv display("DISPLAY", server->DisplayName());
  PeerProcess child({MIRRODEX_X11_BACKENDS_CHILD, GetParam()});
  ASSERT_EQ(child.ReadLine(), "ready");
  server->Stop();
  ASSERT_EQ(::kill(child.Id(), SIGTERM), 0);
  std::string line = child.ReadLine();
  if (std::string(GetParam()) == "use") {
    EXPECT_EQ(line, "used 1 1 1") << "every backend reports the lost display as a failure";
    line = child.ReadLine();
  }
  const bool ended = line == "ended";
  EXPECT_TRUE(ended) << "the child hung or was ended while destroying its backends";
  if (!ended) ::kill(child.Id(), SIGKILL);  // a hung child: the guard of ReadLine ran out
  const int status = child.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
}

INSTANTIATE_TEST_SUITE_P(AfterTheLoss, LostX11Server, ::testing::Values("destroy", "use"),
                         [](const auto& info) {
                           return std::string(info.param) == "use" ? "UsedThenDestroyed"
                                                                    : "DestroyedAtOnce";
                         });

}  // namespace
}  // namespace mirrodex::test
