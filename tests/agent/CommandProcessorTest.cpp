// The command queue and the replies of the command processor: its recording twin, a test
// twin that echoes requests, and hostile data messages.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <random>
#include <vector>

#include "agent/RetrieveHttpCallbacks.h"
#include "agent/input/CRecordingUserInterface.h"
#include "tests/agent/EchoUserInterface.h"
#include "protocol/CommandWords.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

using Event = CRecordingUserInterface::Event;

uint32_t StatusOfReply(CUserInterface& ui) {
  CDynamicBuf reply;
  if (ui.TakeReply(reply) < 4) return 0xFFFFFFFFu;
  return LoadU32(reply.Data());
}

TEST(CommandProcessor, KeyAndPointerWordsReachTheBackendInOrder) {
  CRecordingUserInterface ui;
  ui.PutCommandWord(KeyWord(0x0D, true));
  ui.PutCommandWord(PointerWord(239, 319, PointerAction::kLeftDown));
  ui.PutCommandWord(KeyWord('A', false));
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kNothingQueued);
  const auto events = ui.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, Event::Kind::kKey);
  EXPECT_EQ(events[0].word, 0x0401000Du);
  EXPECT_EQ(events[1].kind, Event::Kind::kMouse);
  EXPECT_EQ(events[1].x, 239u);
  EXPECT_EQ(events[1].y, 319u);
  EXPECT_EQ(events[1].action, 2u);
  EXPECT_EQ(events[2].word, 0x04000041u);
  EXPECT_FALSE(ui.HasReply());
}

TEST(CommandProcessor, PauseWordIsReportedAndNotReplayed) {
  CRecordingUserInterface ui;
  ui.PutCommandWord(PointerWord(0, 0, PointerAction::kTogglePause));
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kPauseToggle);
  EXPECT_TRUE(ui.Events().empty());
}

TEST(CommandProcessor, RequestsGetTheUnknownCodeReplyAndTheQueueIsEmptied) {
  CRecordingUserInterface ui;
  const uint8_t payload[] = {0x30, 0x30};
  const auto request = BuildRequest(kRequestProcesses, payload);
  ui.PutCommand(request);
  ui.PutCommandWord(KeyWord('B', false));  // behind the request in the same queue
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(StatusOfReply(ui), 0u);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kNothingQueued);
  EXPECT_FALSE(ui.HasReply());
}

TEST(CommandProcessor, ReplyRecordCarriesOnlyStatusWord) {
  CRecordingUserInterface ui;
  ui.PutCommand(BuildRequest(kRequestStatus, std::vector<uint8_t>{0x20}));
  ASSERT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  CDynamicBuf reply;
  EXPECT_EQ(ui.TakeReply(reply), 4u);
  EXPECT_EQ(reply.Size(), 4u);
  EXPECT_EQ(ui.TakeReply(reply), 0u);
}

using test::EchoUserInterface;

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes(words.size() * 4);
  size_t at = 0;
  for (const uint32_t word : words) StoreU32(&bytes[at++ * 4], word);
  return bytes;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void RunAll(CUserInterface& ui) {
  while (ui.ProcessOneCommand() != CommandResult::kNothingQueued) {
  }
}

TEST(CommandProcessor, DataMessagesWithoutARequestAreAnsweredAtOnceWithStatusZero) {
  const std::vector<uint8_t> cases[] = {
      {},                                                            // empty
      {1, 2, 3},                                                     // shorter than a word
      {0, 0, 0, 0, 9},                                               // a word and a stray byte
      std::vector<uint8_t>(1u << 20, 0),                             // a mebibyte of zero words
      Words({0x00000123u, 0x30000000u}),                             // words of no class
      Concat(Words({RequestWord(kRequestFileExists, 100)}), {1, 2, 3}),  // a request cut short
      Words({KeyWord('k', false)}),                                  // input only
  };
  for (const auto& message : cases) {
    SCOPED_TRACE(testing::Message() << message.size() << " bytes");
    EchoUserInterface ui;
    ui.PutCommand(message);
    ASSERT_TRUE(ui.HasReply());  // before anything ran on the screen thread
    CDynamicBuf reply;
    ASSERT_EQ(ui.TakeReply(reply), 4u);
    EXPECT_EQ(LoadU32(reply.Data()), 0u);
    EXPECT_EQ(ui.TakeReply(reply), 0u);
    RunAll(ui);
    EXPECT_EQ(ui.served, 0u);
    EXPECT_FALSE(ui.HasReply());
  }
}

TEST(CommandProcessor, OnlyTheFirstRequestOfAMessageIsServed) {
  EchoUserInterface ui;
  const std::vector<uint8_t> list = BuildRequest(kRequestProcesses, std::vector<uint8_t>{'0', '0'});
  std::vector<uint8_t> message = Words({KeyWord('a', false)});
  for (int i = 0; i < 50000; ++i) message = Concat(std::move(message), list);
  ui.PutCommand(message);
  RunAll(ui);
  EXPECT_EQ(ui.served, 1u);
  EXPECT_EQ(ui.replayed, std::vector<uint32_t>{KeyWord('a', false)});  // input before it runs first
  CDynamicBuf reply;
  ASSERT_EQ(ui.TakeReply(reply), 6u);
  EXPECT_EQ(LoadU32(reply.Data()), StatusWord(kRequestProcesses, 1));
  EXPECT_EQ(ui.QueuedCommands(), 0u);
}

TEST(CommandProcessor, AReplyNeverAnswersALaterMessage) {
  EchoUserInterface ui;
  // A new message arrives while the first request is served: the late reply is dropped and
  // the new request gets its own.
  ui.whileServing = [&] { ui.PutCommand(BuildRequest(kRequestFileExists, std::vector<uint8_t>{2})); };
  ui.PutCommand(BuildRequest(kRequestFileExists, std::vector<uint8_t>{1}));
  ASSERT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_FALSE(ui.HasReply());
  RunAll(ui);
  CDynamicBuf reply;
  ASSERT_EQ(ui.TakeReply(reply), 5u);
  EXPECT_EQ(reply.Data()[4], 2);

  // The sessions stop while a request is served: its reply answers no one.
  ui.whileServing = [&] { ui.Reset(); };
  ui.PutCommand(BuildRequest(kRequestFileExists, std::vector<uint8_t>{3}));
  RunAll(ui);
  EXPECT_FALSE(ui.HasReply());
  // A second message replaces a request not yet served.
  ui.PutCommand(BuildRequest(kRequestFileExists, std::vector<uint8_t>{4}));
  ui.PutCommand(BuildRequest(kRequestFileExists, std::vector<uint8_t>{5}));
  const uint32_t servedBefore = ui.served;
  RunAll(ui);
  EXPECT_EQ(ui.served, servedBefore + 1);
  ASSERT_EQ(ui.TakeReply(reply), 5u);
  EXPECT_EQ(reply.Data()[4], 5);
}

TEST(CommandProcessor, WordsThatAreNeitherInputNorPauseLeaveNothingBehind) {
  EchoUserInterface ui;
  for (uint32_t i = 0; i < 100000; ++i) ui.PutCommandWord(i % 2 ? 0u : RequestWord(kRequestStatus, 8));
  EXPECT_EQ(ui.QueuedCommands(), 0u);
  EXPECT_FALSE(ui.HasReply());
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kNothingQueued);
}

// Hostile data messages (zero words, random words, requests with any length, cut words,
// input floods) mixed with random processing: every message gets at most one reply, and it
// is that message's; the queue stays bounded; afterwards a real request gets its own reply.
TEST(CommandProcessor, HostileMessagesLeaveNoStaleRepliesAndStayBounded) {
  constexpr size_t kCapacity = 64;
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    EchoUserInterface ui(kCapacity);
    for (int m = 0; m < 120; ++m) {
      std::vector<uint8_t> message;
      const uint32_t words = random() % 600;
      for (uint32_t w = 0; w < words; ++w) {
        const uint32_t kind = random() % 100;
        uint32_t word = 0;
        if (kind < 30) {
          word = 0;
        } else if (kind < 55) {
          word = PointerWord(random() % 4096, random() % 4096, static_cast<PointerAction>(random() % 4));
        } else if (kind < 70) {
          word = KeyWord(random(), random() % 2);
        } else if (kind < 80) {
          word = static_cast<uint32_t>(random());
        } else {
          const uint32_t length = random() % 3 == 0 ? random() & kMaxRequestPayload : random() % 40;
          message = Concat(std::move(message), Words({RequestWord(random() % 64, length)}));
          const size_t present = std::min<size_t>(length, random() % 48);
          for (size_t i = 0; i < present; ++i) message.push_back(static_cast<uint8_t>(random()));
          continue;
        }
        message = Concat(std::move(message), Words({word}));
      }
      if (random() % 4 == 0) message.resize(message.size() - std::min<size_t>(message.size(), random() % 4));
      // The payload of the message's first request, when it arrived whole.
      std::optional<std::vector<uint8_t>> expected;
      for (size_t at = 0; message.size() - at >= 4; at += 4) {
        const uint32_t word = LoadU32(&message[at]);
        if ((word & kCommandClassMask) != kRequestWordBase) continue;
        const size_t length = RequestLengthOf(word);
        if (message.size() - at - 4 >= length) {
          expected.emplace(message.begin() + at + 4, message.begin() + at + 4 + length);
        }
        break;
      }
      ui.PutCommand(message);
      ASSERT_LE(ui.QueuedCommands(), kCapacity + 2);
      for (uint32_t steps = random() % 200; steps > 0; --steps) {
        if (ui.ProcessOneCommand() == CommandResult::kNothingQueued) break;
      }
      CDynamicBuf reply;
      const size_t size = ui.TakeReply(reply);
      if (!expected) {
        ASSERT_EQ(size, 4u);
        EXPECT_EQ(LoadU32(reply.Data()), 0u);
      } else if (size > 0) {
        EXPECT_EQ(std::vector<uint8_t>(reply.Data() + 4, reply.Data() + size), *expected);
      }
      EXPECT_EQ(ui.TakeReply(reply), 0u);
    }
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    ui.PutCommand(BuildRequest(kRequestFileExists, mine));
    RunAll(ui);
    CDynamicBuf reply;
    ASSERT_EQ(ui.TakeReply(reply), 8u);
    EXPECT_EQ(ReplyCodeOf(LoadU32(reply.Data())), kRequestFileExists);
    EXPECT_EQ(std::vector<uint8_t>(reply.Data() + 4, reply.Data() + 8), mine);
  }
}

TEST(CommandProcessor, InputFloodIsBoundedAndDroppedWhenTheSessionsStop) {
  std::atomic<uint8_t> stopFlag{0};
  auto owned = std::make_unique<CRecordingUserInterface>();
  CRecordingUserInterface& ui = *owned;
  RetrieveHttpCallbacks callbacks(std::move(owned), stopFlag);
  for (uint32_t i = 0; i < 100000; ++i) callbacks.PutCommandWord(PointerWord(i % 4096, 5, PointerAction::kMove));
  EXPECT_LE(ui.QueuedCommands(), CommandQueue::kDefaultCapacity);
  callbacks.Notify(kStatusFailed);  // the desktop has gone
  EXPECT_EQ(callbacks.ProcessOneCommand(), CommandResult::kNothingQueued);
  EXPECT_TRUE(ui.Events().empty());
  EXPECT_EQ(stopFlag, 1);
}

}  // namespace
}  // namespace mirrodex
