// Every request of the table against the real agent in mirrodex-host, through requesters and
// the reply dispatcher: each succeeds in its success range.
#include <fstream>

#include <gtest/gtest.h>

#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceProcesses.h"
#include "protocol/Requests.h"
#include "tests/requests/HostDevice.h"

namespace mirrodex {
namespace {

using Role = DeviceRequester::Role;

std::vector<uint8_t> NameBlocks(std::initializer_list<const char*> names) {
  ByteBuffer out;
  for (const char* name : names) AppendNameBlock(out, name);
  return {out.Bytes().begin(), out.Bytes().end()};
}

TEST(HostRequests, EveryRequestRoundTripsWithinItsSuccessRange) {
  if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
  test::HostDevice device;
  std::string error;
  ASSERT_TRUE(device.Start(error)) << error;
  ASSERT_TRUE(device.Connect()) << device.HostLog();
  std::ofstream(device.Root() / "a.txt") << "hello";

  const auto path = [](const char* p) { return Utf8ToUtf16Le(p); };
  std::vector<uint8_t> write = NameBlocks({"\\b.txt"});
  write.insert(write.end(), {'x', 'y'});
  const std::vector<uint8_t> space = {0x20};
  struct Step {
    uint32_t code;
    std::vector<uint8_t> payload;
    uint32_t result;
  };
  const Step steps[] = {
      {kRequestSetClipboard, ClipboardRequestPayload(u"clip"), 0},
      {kRequestGetClipboard, space, 0},
      {kRequestListRoots, space, 1},
      {kRequestListFolder, path("\\"), 1},
      {kRequestReadFirst, path("\\a.txt"), 0},
      {kRequestReadNext, path("\\a.txt"), 0},
      {kRequestWriteFirst, write, 0},
      {kRequestWriteNext, write, 0},
      {kRequestFileExists, path("\\b.txt"), 1},
      {kRequestRenameFile, NameBlocks({"\\b.txt", "\\c.txt"}), 0},
      {kRequestCopyFile, NameBlocks({"\\c.txt", "\\d.txt"}), 0},
      {kRequestDeleteFile, NameBlocks({"\\c.txt"}), 0},
      {kRequestCreateFolder, NameBlocks({"\\f"}), 0},
      {kRequestRenameFolder, NameBlocks({"\\f", "\\g"}), 0},
      {kRequestRemoveFolder, NameBlocks({"\\g"}), 0},
      {kRequestStatus, space, 0},
      {kRequestProcesses, ProcessRequestPayload(ProcessAction::kList, 0), 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.code);
    DeviceRequester requester(device.Dispatcher(), device.Sender(), Role::kCurrent);
    ASSERT_EQ(requester.Exchange(step.code, step.payload), ExchangeStatus::kOk);
    if (step.code != kRequestProcesses) {
      EXPECT_EQ(requester.Result(), step.result);
    }
    if (step.code == kRequestGetClipboard) {
      EXPECT_EQ(ClipboardTextFromReply(requester.Payload()), u"clip");
    }
    if (step.code == kRequestReadFirst) {
      EXPECT_EQ(requester.Payload().size(), 5u);
    }
  }
  std::ifstream in(device.Root() / "d.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "xyxy");

  // A refused request fails only itself.
  DeviceRequester missing(device.Dispatcher(), device.Sender(), Role::kCurrent);
  EXPECT_EQ(missing.Exchange(kRequestDeleteFile, NameBlocks({"\\missing"})), ExchangeStatus::kRefused);
  DeviceRequester outside(device.Dispatcher(), device.Sender(), Role::kCurrent);
  EXPECT_EQ(outside.Exchange(kRequestReadFirst, path("\\..\\etc\\passwd")), ExchangeStatus::kRefused);
  DeviceRequester status(device.Dispatcher(), device.Sender(), Role::kCurrent);
  EXPECT_EQ(status.Exchange(kRequestStatus, space), ExchangeStatus::kOk);
}

}  // namespace
}  // namespace mirrodex
