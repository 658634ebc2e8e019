// The Linux command processor: how key and pointer words become backend calls (surrogate
// pairs, control characters, scaling on halved screens) and how service replies become
// reply records. The backend is a recording double.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "agent/input/CLinuxUserInterface.h"
#include "protocol/CommandWords.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/input/GeometryScreen.h"

namespace mirrodex {
namespace {

struct Call {
  enum Kind { kSize, kKey, kCharacter, kPointer } kind;
  uint32_t a = 0, b = 0;  // size or position; key code and control flag; character
  PointerAction action = PointerAction::kMove;
  bool operator==(const Call&) const = default;
};

class RecordingInjector final : public IInputInjector {
 public:
  explicit RecordingInjector(std::vector<Call>& calls) : calls_(calls) {}
  void SetScreenSize(uint32_t width, uint32_t height) override {
    calls_.push_back({Call::kSize, width, height});
  }
  bool PressKey(const VirtualKey& key, bool withControl, std::string&) override {
    calls_.push_back({Call::kKey, key.code, withControl ? 1u : 0u});
    return true;
  }
  bool TypeCharacter(char32_t character, std::string&) override {
    calls_.push_back({Call::kCharacter, character});
    return true;
  }
  bool Pointer(uint32_t x, uint32_t y, PointerAction action, std::string&) override {
    calls_.push_back({Call::kPointer, x, y, action});
    return true;
  }

 private:
  std::vector<Call>& calls_;
};

using test::GeometryScreen;

Call Key(uint8_t code, bool control = false) {
  return {Call::kKey, code, control ? 1u : 0u};
}
Call Character(char32_t c) {
  return {Call::kCharacter, c};
}
Call Pointer(uint32_t x, uint32_t y, PointerAction action) {
  return {Call::kPointer, x, y, action};
}

class LinuxUserInterface : public ::testing::Test {
 protected:
  void Build(const CScreenCap* screen, std::unique_ptr<CFileManager> services = nullptr) {
    ui_ = std::make_unique<CLinuxUserInterface>(std::make_unique<RecordingInjector>(calls_), screen,
                                                std::move(services));
  }
  void SetUp() override { Build(nullptr); }

  // Queues the words and runs them as the screen session does.
  void Run(std::initializer_list<uint32_t> words) {
    for (const uint32_t word : words) ui_->PutCommandWord(word);
    while (ui_->ProcessOneCommand() != CommandResult::kNothingQueued) {
    }
  }

  std::vector<Call> calls_;
  std::unique_ptr<CLinuxUserInterface> ui_;
};

TEST_F(LinuxUserInterface, VirtualKeysArePressedAndUnknownCodesDropped) {
  Run({KeyWord(0x70, true), KeyWord(0x0D, true), KeyWord(0x07, true), KeyWord(0x160, true)});
  // 0x07 names no key; only bits 0..7 carry the code, so 0x160 is 0x60 (number pad 0).
  EXPECT_EQ(calls_, (std::vector<Call>{Key(0x70), Key(0x0D), Key(0x60)}));
}

TEST_F(LinuxUserInterface, SurrogatePairTypesOneCharacterAndLoneHalvesTypeNothing) {
  Run({KeyWord(0xD83D, false), KeyWord(0xDE00, false),  // U+1F600
       KeyWord(0xD83D, false), KeyWord('b', false),     // a high half, then another character
       KeyWord(0xDE00, false),                          // a low half alone
       KeyWord(0xD83D, false), KeyWord(0x25, true),     // a high half, then a key
       KeyWord(0xD83D, false), KeyWord(0xDE00, false)});
  EXPECT_EQ(calls_,
            (std::vector<Call>{Character(0x1F600), Character('b'), Key(0x25), Character(0x1F600)}));
}

TEST_F(LinuxUserInterface, ControlCharactersBecomeTheirKeys) {
  Run({KeyWord(0x0D, false), KeyWord(0x0A, false), KeyWord(0x08, false), KeyWord(0x09, false),
       KeyWord(0x1B, false), KeyWord(0x01, false), KeyWord(0x1A, false), KeyWord(0x03, false),
       KeyWord(0x00, false), KeyWord(0x1F, false), KeyWord(0x7F, false), KeyWord(0x85, false),
       KeyWord(' ', false), KeyWord(0xA0, false)});
  EXPECT_EQ(calls_, (std::vector<Call>{Key(0x0D), Key(0x0D), Key(0x08), Key(0x09), Key(0x1B),
                                       Key('A', true), Key('Z', true), Key('C', true),
                                       Character(' '), Character(0xA0)}));
}

TEST_F(LinuxUserInterface, PointerWithoutScreenGoesWhereItSays) {
  Run({PointerWord(239, 319, PointerAction::kLeftDown), PointerWord(0, 0, PointerAction::kMove),
       PointerWord(5, 6, PointerAction::kLeftUp), PointerWord(1, 1, PointerAction::kTogglePause)});
  EXPECT_EQ(calls_, (std::vector<Call>{Pointer(239, 319, PointerAction::kLeftDown),
                                       Pointer(0, 0, PointerAction::kMove),
                                       Pointer(5, 6, PointerAction::kLeftUp)}));
}

TEST_F(LinuxUserInterface, HalvedScreenDoublesAndClampsPositions) {
  GeometryScreen screen(240, 320, ScaleMode::kHalved);
  Build(&screen);
  Run({PointerWord(120, 160, PointerAction::kLeftDown),
       PointerWord(4095, 4095, PointerAction::kMove)});
  EXPECT_EQ(calls_, (std::vector<Call>{{Call::kSize, 480, 640},
                                       Pointer(240, 320, PointerAction::kLeftDown),
                                       Pointer(479, 639, PointerAction::kMove)}));
}

TEST_F(LinuxUserInterface, FullSizeScreenKeepsPositionsAndReportsSizeChanges) {
  GeometryScreen screen(240, 320, ScaleMode::kFullSize);
  Build(&screen);
  Run({PointerWord(10, 20, PointerAction::kLeftDown), PointerWord(11, 21, PointerAction::kMove)});
  screen.Set(320, 240, ScaleMode::kAsIs);  // set up again for another screen
  Run({PointerWord(300, 300, PointerAction::kLeftUp)});
  EXPECT_EQ(calls_, (std::vector<Call>{{Call::kSize, 240, 320},
                                       Pointer(10, 20, PointerAction::kLeftDown),
                                       Pointer(11, 21, PointerAction::kMove),
                                       {Call::kSize, 320, 240},
                                       Pointer(300, 239, PointerAction::kLeftUp)}));
}

// Services that answer with whatever the test hands them.
class ScriptedServices final : public CFileManager {
 public:
  explicit ScriptedServices(std::vector<uint8_t> reply) : reply_(std::move(reply)) {}
  void Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) override {
    seenCode = code;
    seenPayload.assign(payload.begin(), payload.end());
    reply.Append(reply_);
  }
  uint32_t seenCode = 0;
  std::vector<uint8_t> seenPayload;

 private:
  std::vector<uint8_t> reply_;
};

std::vector<uint8_t> TakeReply(CUserInterface& ui) {
  CDynamicBuf reply;
  const size_t size = ui.TakeReply(reply);
  return {reply.Data(), reply.Data() + size};
}

TEST_F(LinuxUserInterface, ServiceReplyBecomesOneRecordWithStatusAndPayload) {
  const uint32_t status = StatusWord(kRequestStatus, 0);
  std::vector<uint8_t> reply = {static_cast<uint8_t>(status),
                                static_cast<uint8_t>(status >> 8),
                                static_cast<uint8_t>(status >> 16),
                                static_cast<uint8_t>(status >> 24),
                                1,
                                2,
                                3};
  auto services = std::make_unique<ScriptedServices>(reply);
  ScriptedServices* seen = services.get();
  Build(nullptr, std::move(services));
  const uint8_t payload[] = {9, 8};
  ui_->PutCommand(BuildRequest(kRequestStatus, payload));
  EXPECT_EQ(ui_->ProcessOneCommand(), CommandResult::kDone);
  EXPECT_EQ(seen->seenCode, uint32_t{kRequestStatus});
  EXPECT_EQ(seen->seenPayload, (std::vector<uint8_t>{9, 8}));
  EXPECT_EQ(TakeReply(*ui_), reply);
  EXPECT_FALSE(ui_->HasReply());
}

TEST_F(LinuxUserInterface, UnknownOrMissingServiceRepliesGiveTheStatusZeroRecord) {
  for (const auto& reply :
       {std::vector<uint8_t>{0, 0, 0, 0}, std::vector<uint8_t>{7, 0}, std::vector<uint8_t>{}}) {
    Build(nullptr, std::make_unique<ScriptedServices>(reply));
    ui_->PutCommand(BuildRequest(33, {}));
    ui_->PutCommandWord(KeyWord('x', false));  // emptied with the queue, as for an unknown code
    ui_->ProcessOneCommand();
    EXPECT_EQ(TakeReply(*ui_), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(ui_->ProcessOneCommand(), CommandResult::kNothingQueued);
  }
  EXPECT_TRUE(calls_.empty());
}

}  // namespace
}  // namespace mirrodex
