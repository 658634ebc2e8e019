// The command queue and reply records of the command processor, through its recording twin.
#include <gtest/gtest.h>

#include "agent/input/CRecordingUserInterface.h"
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

TEST(CommandProcessor, RequestCutShortIsNeverServedFromMissingBytes) {
  CRecordingUserInterface ui;
  // Announces 100 payload bytes, carries 3.
  ui.PutCommandWord(RequestWord(kRequestFileExists, 100));
  const uint8_t few[] = {1, 2, 3};
  ui.PutCommand(few);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(StatusOfReply(ui), 0u);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kNothingQueued);
}

TEST(CommandProcessor, WordOfNoClassGetsAnEmptyReply) {
  CRecordingUserInterface ui;
  ui.PutCommandWord(0x00000123u);
  EXPECT_EQ(ui.ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(StatusOfReply(ui), 0u);
  EXPECT_TRUE(ui.Events().empty());
}

TEST(CommandProcessor, ManyCommandsAreAllProcessedAfterCompaction) {
  CRecordingUserInterface ui;
  constexpr uint32_t kCount = 40000;  // more than the compaction threshold in bytes
  for (uint32_t i = 0; i < kCount; ++i) ui.PutCommandWord(PointerWord(i % 4096, 0, PointerAction::kMove));
  uint32_t processed = 0;
  while (ui.ProcessOneCommand() == CommandResult::kDone) ++processed;
  EXPECT_EQ(processed, kCount);
  EXPECT_EQ(ui.Events().back().x, (kCount - 1) % 4096);
}

}  // namespace
}  // namespace mirrodex
