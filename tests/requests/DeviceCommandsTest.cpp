// The clipboard, status and process commands below the user interface, against a scripted
// agent: what the requests carry and what the replies give.
#include <gtest/gtest.h>

#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceProcesses.h"
#include "protocol/Requests.h"
#include "tests/requests/ScriptedAgent.h"

namespace mirrodex {
namespace {

using test::MakeReply;
using test::ScriptedAgent;
using test::SeenRequest;
using Role = DeviceRequester::Role;

class FakeClipboard : public DesktopClipboard {
 public:
  ReadResult ReadText(std::u16string& out) override {
    if (!text) return ReadResult::kNoText;
    out = *text;
    return ReadResult::kText;
  }
  bool WriteText(std::u16string_view value) override {
    text = std::u16string(value);
    return true;
  }
  std::optional<std::u16string> text;
};

class RecordingDisplay : public StatusDisplay {
 public:
  void ShowStatus(uint32_t memory, uint32_t battery) override { shown.emplace_back(memory, battery); }
  std::vector<std::pair<uint32_t, uint32_t>> shown;
};

TEST(Clipboard, LongTextIsCutTo2048BytesOnAWholeCharacter) {
  ReplyDispatcher dispatcher;
  ScriptedAgent agent(dispatcher, [](const SeenRequest&) { return MakeReply(kRequestSetClipboard, 0); });
  FakeClipboard clipboard;
  clipboard.text = std::u16string(1500, u'x');  // 3000 bytes
  DeviceRequester plain(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyToDevice(plain, clipboard), ClipboardOutcome::kDone);

  // A surrogate pair across the cut: the whole character is left out.
  clipboard.text = std::u16string(1023, u'x') + u"\U0001F600" + std::u16string(500, u'y');
  DeviceRequester pair(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyToDevice(pair, clipboard), ClipboardOutcome::kDone);

  clipboard.text = u"ab";
  DeviceRequester shortText(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyToDevice(shortText, clipboard), ClipboardOutcome::kDone);

  const auto seen = agent.Seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].code, kRequestSetClipboard);
  ASSERT_EQ(seen[0].payload.size(), 2048u);
  EXPECT_EQ(seen[0].payload[2046], 'x');  // cut text carries no terminator
  ASSERT_EQ(seen[1].payload.size(), 2046u);
  EXPECT_EQ(LoadU16(&seen[1].payload[2044]), u'x');
  EXPECT_EQ(seen[2].payload, (std::vector<uint8_t>{0x61, 0, 0x62, 0, 0, 0}));
}

TEST(Clipboard, FailuresAndAnEmptyDeviceClipboard) {
  ReplyDispatcher dispatcher;
  std::vector<uint8_t> deviceText;
  uint32_t setResult = 0;
  ScriptedAgent agent(dispatcher, [&](const SeenRequest& request) {
    return request.code == kRequestGetClipboard ? MakeReply(kRequestGetClipboard, 0, deviceText)
                                                : MakeReply(kRequestSetClipboard, setResult);
  });
  FakeClipboard clipboard;
  DeviceRequester nothing(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyToDevice(nothing, clipboard), ClipboardOutcome::kNothingToCopy);
  EXPECT_TRUE(agent.Seen().empty());

  clipboard.text = u"text";
  setResult = 2;  // the device clipboard could not be opened
  DeviceRequester refused(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyToDevice(refused, clipboard), ClipboardOutcome::kClipboardError);

  DeviceRequester empty(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyFromDevice(empty, clipboard), ClipboardOutcome::kDone);
  EXPECT_EQ(clipboard.text, u"");

  deviceText = {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00, 0x41, 0x00};  // é, 😀, zero, A
  DeviceRequester text(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(CopyFromDevice(text, clipboard), ClipboardOutcome::kDone);
  EXPECT_EQ(clipboard.text, u"\u00E9\U0001F600");
}

TEST(Status, RepliesFillOnlyTheFiveValuesAndShortRepliesOrFailuresKeepTheLastOnes) {
  ReplyDispatcher dispatcher;
  std::vector<uint8_t> payload(28);
  for (size_t i = 0; i < 7; ++i) StoreU32(&payload[4 * i], static_cast<uint32_t>(10 + i));
  bool answer = true;
  ScriptedAgent agent(dispatcher, [&](const SeenRequest&) -> std::optional<std::vector<uint8_t>> {
    if (!answer) return MakeReply(kRequestStatus, 2);
    return MakeReply(kRequestStatus, 0, payload);
  });
  DeviceStatus values;
  RecordingDisplay display;
  DeviceRequester longReply(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(RefreshStatus(longReply, values, &display), ExchangeStatus::kOk);
  EXPECT_EQ(values.memoryLoad, 10u);
  EXPECT_EQ(values.freeStore, 11u);
  EXPECT_EQ(values.totalStore, 12u);
  EXPECT_EQ(values.mainBattery, 13u);
  EXPECT_EQ(values.backupBattery, 14u);
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_EQ(display.shown[0], std::make_pair(10u, 13u));

  // A reply too short to carry the five values fails whatever its length, and keeps the
  // last values and display.
  for (size_t length = 0; length < 20; ++length) {
    payload.assign(length, 0x77);
    DeviceRequester shortReply(dispatcher, agent.Sender(), Role::kCurrent);
    EXPECT_EQ(RefreshStatus(shortReply, values, &display), ExchangeStatus::kMalformed) << length;
    EXPECT_EQ(values.freeStore, 11u);
  }
  EXPECT_EQ(display.shown.size(), 1u);
  payload.assign(20, 0);
  DeviceRequester exact(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(RefreshStatus(exact, values, &display), ExchangeStatus::kOk);
  EXPECT_EQ(values.freeStore, 0u);

  answer = false;
  DeviceRequester failed(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(RefreshStatus(failed, values, &display), ExchangeStatus::kRefused);
  EXPECT_EQ(values.memoryLoad, 0u);
  EXPECT_EQ(display.shown.size(), 2u);
}

std::vector<uint8_t> ProcessEntry(const std::u16string& name, uint32_t id, uint32_t characters) {
  std::vector<uint8_t> out(4);
  StoreU32(out.data(), characters);
  for (char16_t unit : name) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  for (uint32_t value : {id, 3u, 1u, 1u, 0u}) {
    out.resize(out.size() + 4);
    StoreU32(&out[out.size() - 4], value);
  }
  return out;
}

TEST(Processes, ListKillAndActivateRequestsAndTheirReplies) {
  ReplyDispatcher dispatcher;
  std::vector<uint8_t> list = ProcessEntry(u"init", 1, 4);
  const auto second = ProcessEntry(u"x\u00FCz", 4242, 3);
  list.insert(list.end(), second.begin(), second.end());
  uint32_t count = 2;
  ScriptedAgent agent(dispatcher, [&](const SeenRequest& request) {
    return request.payload[0] == '0' ? MakeReply(kRequestProcesses, count, list) : MakeReply(kRequestProcesses, 1);
  });
  std::vector<DeviceProcess> processes;
  DeviceRequester lister(dispatcher, agent.Sender(), Role::kCurrent);
  ASSERT_EQ(ListProcesses(lister, processes), ExchangeStatus::kOk);
  ASSERT_EQ(processes.size(), 2u);
  EXPECT_EQ(processes[1].name, "x\u00FCz");
  EXPECT_EQ(processes[1].id, 4242u);
  EXPECT_EQ(processes[1].threads, 3u);

  DeviceRequester killer(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(KillProcess(killer, 4242), ExchangeStatus::kOk);
  DeviceRequester activator(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(ActivateProcess(activator, 7), ExchangeStatus::kOk);
  const auto seen = agent.Seen();
  EXPECT_EQ(seen[0].payload, (std::vector<uint8_t>{'0', '0'}));
  EXPECT_EQ(seen[1].payload, (std::vector<uint8_t>{'1', '4', '2', '4', '2'}));
  EXPECT_EQ(seen[2].payload, (std::vector<uint8_t>{'2', '7'}));

  count = 3;  // more entries counted than sent
  DeviceRequester truncated(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(ListProcesses(truncated, processes), ExchangeStatus::kMalformed);
  EXPECT_TRUE(processes.empty());  // not the two entries that did read
  count = 0;  // a device without processes fails the listing
  DeviceRequester none(dispatcher, agent.Sender(), Role::kCurrent);
  EXPECT_EQ(ListProcesses(none, processes), ExchangeStatus::kRefused);
}

TEST(Processes, NamesLongerThan260CharactersAreRefused) {
  std::vector<DeviceProcess> processes;
  const auto entry = ProcessEntry(std::u16string(261, u'a'), 1, 261);
  EXPECT_FALSE(ParseProcessList(1, entry, processes));
  // A length far beyond the bytes present sizes nothing.
  const auto huge = ProcessEntry(u"a", 1, 0xFFFFFFF0u);
  EXPECT_FALSE(ParseProcessList(1, huge, processes));
}

}  // namespace
}  // namespace mirrodex
