// Requesters and the reply dispatcher against a scripted agent: success ranges, timeouts and
// late replies, replies to other requests, replies without data and lost connections.
#include <thread>

#include <gtest/gtest.h>

#include "desktop/session/DeviceRequester.h"
#include "protocol/Requests.h"
#include "tests/requests/ScriptedAgent.h"

namespace mirrodex {
namespace {

using test::MakeReply;
using test::ScriptedAgent;
using test::SeenRequest;
using Role = DeviceRequester::Role;

constexpr uint8_t kSpace[] = {0x20};
constexpr uint32_t kShortTimeoutMs = 200;

std::vector<uint8_t> StatusReply(uint32_t memoryLoad) {
  std::vector<uint8_t> values(20, 0);
  StoreU32(values.data(), memoryLoad);
  return MakeReply(kRequestStatus, 0, values);
}

TEST(Requester, ResultsInsideTheSuccessRangeSucceedAndOthersAreRefused) {
  struct Case {
    uint32_t code;
    uint32_t result;
    ExchangeStatus expected;
  };
  const Case cases[] = {
      {kRequestListFolder, 1, ExchangeStatus::kOk},       {kRequestListFolder, 0, ExchangeStatus::kRefused},
      {kRequestListFolder, 65535, ExchangeStatus::kRefused}, {kRequestListRoots, 0, ExchangeStatus::kOk},
      {kRequestReadNext, 1, ExchangeStatus::kOk},         {kRequestReadFirst, 2, ExchangeStatus::kRefused},
      {kRequestWriteNext, 0, ExchangeStatus::kOk},        {kRequestWriteFirst, 65535, ExchangeStatus::kRefused},
      {kRequestWriteFirst, 1, ExchangeStatus::kOk},       {kRequestWriteNext, 1, ExchangeStatus::kOk},
      {kRequestWriteNext, 2, ExchangeStatus::kRefused},
      {kRequestFileExists, 0, ExchangeStatus::kOk},       {kRequestDeleteFile, 1, ExchangeStatus::kOk},
      {kRequestRenameFile, 2, ExchangeStatus::kRefused},  {kRequestSetClipboard, 3, ExchangeStatus::kRefused},
      {kRequestProcesses, 0, ExchangeStatus::kRefused},   {kRequestProcesses, 7, ExchangeStatus::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code << " result " << c.result);
    ReplyDispatcher dispatcher;
    // Reads and writes are answered with the code of their first request.
    const uint32_t replyCode = FindRequestSpec(c.code)->replyCode;
    ScriptedAgent agent(dispatcher, [&](const SeenRequest&) { return MakeReply(replyCode, c.result); });
    DeviceRequester requester(dispatcher, agent.Sender(), Role::kCurrent);
    EXPECT_EQ(requester.Exchange(c.code, kSpace), c.expected);
    EXPECT_EQ(requester.Result(), c.result);
    EXPECT_EQ(agent.Seen().at(0).code, c.code);
  }
}

TEST(Requester, LateReplyAfterATimeoutReachesNeitherTheClosedRequesterNorTheNextRequest) {
  ReplyDispatcher dispatcher;
  uint32_t answered = 0;
  ScriptedAgent agent(dispatcher, [&](const SeenRequest&) -> std::optional<std::vector<uint8_t>> {
    if (answered++ == 0) return std::nullopt;  // the first reply comes late
    return StatusReply(22);
  });
  {
    DeviceRequester closed(dispatcher, agent.Sender(), Role::kCurrent, kShortTimeoutMs);
    EXPECT_EQ(closed.Exchange(kRequestStatus, kSpace), ExchangeStatus::kTimedOut);
    // A requester that failed is spent.
    EXPECT_EQ(closed.Exchange(kRequestStatus, kSpace), ExchangeStatus::kUnusable);
    EXPECT_EQ(agent.Seen().size(), 1u);
  }  // its window closed: the requester is gone before its reply arrives

  std::thread late([&] {
    agent.AwaitRequests(2);  // the next request is waiting when the old reply comes
    agent.Release(StatusReply(11));
  });
  DeviceRequester next(dispatcher, agent.Sender(), Role::kCurrent, 10000);
  EXPECT_EQ(next.Exchange(kRequestStatus, kSpace), ExchangeStatus::kOk);
  late.join();
  ASSERT_EQ(next.Payload().size(), 20u);
  EXPECT_EQ(LoadU32(next.Payload().data()), 22u);
  EXPECT_EQ(dispatcher.OwedReplies(), 0u);
}

TEST(Requester, ReplyWithAnotherCodeFailsOnlyThatRequest) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest& request) {
    return request.code == kRequestGetClipboard ? StatusReply(5) : StatusReply(6);
  });
  DeviceRequester first(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(first.Exchange(kRequestGetClipboard, kSpace), ExchangeStatus::kWrongCode);
  EXPECT_EQ(first.StatusWord() >> 20, kRequestStatus);
  DeviceRequester second(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(second.Exchange(kRequestStatus, kSpace), ExchangeStatus::kOk);
  EXPECT_EQ(LoadU32(second.Payload().data()), 6u);
}

TEST(Requester, ZeroStatusWordWakesTheFileManagersRequesterWithoutData) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest& request) {
    return request.code == kRequestListFolder ? MakeReply(0, 0, std::vector<uint8_t>{1, 2, 3, 4})
                                              : MakeReply(kRequestFileExists, 1);
  });
  // The product timeout: a requester left waiting would fail with kTimedOut after 20 s.
  DeviceRequester fileManager(dispatcher, agent.Sender(), Role::kFileManager);
  const auto path = Utf8ToUtf16Le("\\");
  EXPECT_EQ(fileManager.Exchange(kRequestListFolder, path), ExchangeStatus::kNoData);
  EXPECT_TRUE(fileManager.Payload().empty());
  DeviceRequester next(dispatcher, agent.Sender(), Role::kFileManager);
  EXPECT_EQ(next.Exchange(kRequestFileExists, path), ExchangeStatus::kOk);
  EXPECT_EQ(next.Result(), 1u);
}

TEST(Requester, RepliesGoToTheCurrentRequesterBeforeTheFileManagers) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest&) { return StatusReply(9); });
  DeviceRequester fileManager(dispatcher, agent.Sender(), Role::kFileManager);
  DeviceRequester current(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(current.Exchange(kRequestStatus, kSpace), ExchangeStatus::kOk);
  EXPECT_EQ(LoadU32(current.Payload().data()), 9u);
  // The file manager's requester still works while a current requester exists but waits
  // for nothing.
  EXPECT_EQ(fileManager.Exchange(kRequestStatus, kSpace), ExchangeStatus::kOk);
}

// The file manager's thread and the requesting thread of the frame ask at the same time; the
// agent answers in the order the requests came, so each must get the answer to its own.
TEST(Requester, RequestersOnTwoThreadsEachGetTheirOwnReplies) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest& request) {
    return request.code == kRequestStatus ? StatusReply(7) : MakeReply(kRequestFileExists, 1);
  });
  constexpr int kExchanges = 300;
  auto ask = [&](Role role, uint32_t code, int& failures) {
    for (int i = 0; i < kExchanges; ++i) {
      DeviceRequester requester(dispatcher, agent.Sender(), role);
      if (requester.Exchange(code, kSpace) != ExchangeStatus::kOk) ++failures;
    }
  };
  int fileManagerFailures = 0, currentFailures = 0;
  std::thread fileManager(ask, Role::kFileManager, kRequestFileExists, std::ref(fileManagerFailures));
  ask(Role::kCurrent, kRequestStatus, currentFailures);
  fileManager.join();
  EXPECT_EQ(fileManagerFailures, 0);
  EXPECT_EQ(currentFailures, 0);
}

TEST(Requester, LostConnectionOrNoDeviceFailTheRequestWithoutWaitingForTheTimeout) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest&) { return std::nullopt; });
  std::thread dropper([&] {
    agent.AwaitRequests(1);
    dispatcher.ConnectionLost();
  });
  DeviceRequester waiting(dispatcher, agent.Sender(), Role::kCurrent);
  const ExchangeStatus lost = waiting.Exchange(kRequestGetClipboard, kSpace);  // 20 s timeout
  dropper.join();
  EXPECT_EQ(lost, ExchangeStatus::kConnectionLost);
  EXPECT_EQ(dispatcher.OwedReplies(), 0u);

  agent.RefuseQueueing();
  DeviceRequester unsent(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(unsent.Exchange(kRequestStatus, kSpace), ExchangeStatus::kNotSent);
  // A code outside the request table is never sent.
  DeviceRequester unknown(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(unknown.Exchange(18, kSpace), ExchangeStatus::kUnusable);
}

}  // namespace
}  // namespace mirrodex
