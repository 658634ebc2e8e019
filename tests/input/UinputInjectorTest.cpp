// The uinput backend against the recording twin of its sink: the exact event sequences for
// keys, characters and the pointer, the device's axes following the screen size, and what
// happens when the device cannot be made.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <memory>
#include <vector>

#include "agent/input/VirtualKeys.h"
#include "agent/input/uinput/CRecordingUinputSink.h"
#include "agent/input/uinput/CUinputDevice.h"
#include "agent/input/uinput/CUinputInjector.h"

namespace mirrodex {
namespace {

using Events = std::vector<UinputEvent>;
using Device = CRecordingUinputSink::Device;

constexpr UinputEvent kSyn{EV_SYN, SYN_REPORT, 0};
UinputEvent KeyEvent(uint16_t code, int32_t value) {
  return {EV_KEY, code, value};
}
Events Tap(uint16_t code) {
  return {KeyEvent(code, 1), kSyn, KeyEvent(code, 0), kSyn};
}

// Hands everything to a recording the test keeps, so it can be read after the backend went.
class SharedSink final : public IUinputSink {
 public:
  explicit SharedSink(std::shared_ptr<CRecordingUinputSink> target) : target_(std::move(target)) {}
  bool Open(uint32_t width, uint32_t height, std::string& error) override {
    return target_->Open(width, height, error);
  }
  void Close() override { target_->Close(); }
  bool IsOpen() const override { return target_->IsOpen(); }
  bool Write(std::span<const UinputEvent> events, std::string& error) override {
    return target_->Write(events, error);
  }

 private:
  std::shared_ptr<CRecordingUinputSink> target_;
};

class UinputInjector : public ::testing::Test {
 protected:
  UinputInjector()
      : sink_(std::make_shared<CRecordingUinputSink>()),
        injector_(std::make_unique<CUinputInjector>(std::make_unique<SharedSink>(sink_))) {}
  const VirtualKey& Vk(uint8_t code) { return *FindVirtualKey(code); }

  std::shared_ptr<CRecordingUinputSink> sink_;
  std::unique_ptr<CUinputInjector> injector_;
  std::string error_;
};

TEST_F(UinputInjector, KeysArePressedAndReleasedEachInItsOwnReport) {
  ASSERT_TRUE(injector_->PressKey(Vk(0x0D), false, error_)) << error_;
  ASSERT_TRUE(injector_->PressKey(Vk(0x72), false, error_)) << error_;  // F3, the call key
  ASSERT_TRUE(injector_->PressKey(Vk(0x87), false, error_)) << error_;  // F24
  ASSERT_TRUE(injector_->PressKey(Vk(0x65), false, error_)) << error_;  // number pad 5
  ASSERT_TRUE(injector_->PressKey(Vk('C'), true, error_)) << error_;
  Events expected = Tap(KEY_ENTER);
  for (const uint16_t code : {KEY_F3, KEY_F24, KEY_KP5}) {
    const Events tap = Tap(code);
    expected.insert(expected.end(), tap.begin(), tap.end());
  }
  expected.insert(expected.end(), {KeyEvent(KEY_LEFTCTRL, 1), kSyn, KeyEvent(KEY_C, 1), kSyn,
                                   KeyEvent(KEY_C, 0), kSyn, KeyEvent(KEY_LEFTCTRL, 0), kSyn});
  EXPECT_EQ(sink_->Events(), expected);
  // Without a screen size the device is a keyboard only.
  EXPECT_EQ(sink_->Devices(), (std::vector<Device>{{0, 0}}));
}

TEST_F(UinputInjector, AsciiIsTypedOnTheUsLayoutAndOtherCharactersAreRefused) {
  ASSERT_TRUE(injector_->TypeCharacter('a', error_)) << error_;
  ASSERT_TRUE(injector_->TypeCharacter('A', error_)) << error_;
  ASSERT_TRUE(injector_->TypeCharacter('~', error_)) << error_;
  ASSERT_TRUE(injector_->TypeCharacter('\'', error_)) << error_;
  Events expected = Tap(KEY_A);
  expected.insert(expected.end(), {KeyEvent(KEY_LEFTSHIFT, 1), kSyn, KeyEvent(KEY_A, 1), kSyn,
                                   KeyEvent(KEY_A, 0), kSyn, KeyEvent(KEY_LEFTSHIFT, 0), kSyn,
                                   KeyEvent(KEY_LEFTSHIFT, 1), kSyn, KeyEvent(KEY_GRAVE, 1), kSyn,
                                   KeyEvent(KEY_GRAVE, 0), kSyn, KeyEvent(KEY_LEFTSHIFT, 0), kSyn});
  const Events apostrophe = Tap(KEY_APOSTROPHE);
  expected.insert(expected.end(), apostrophe.begin(), apostrophe.end());
  EXPECT_EQ(sink_->Events(), expected);

  sink_->ClearEvents();
  for (const char32_t c : {char32_t{0xE9}, char32_t{0x20AC}, char32_t{0x1F600}}) {
    EXPECT_FALSE(injector_->TypeCharacter(c, error_));
    EXPECT_NE(error_.find("US keyboard layout"), std::string::npos) << error_;
  }
  EXPECT_NE(error_.find("U+1F600"), std::string::npos) << error_;
  EXPECT_TRUE(sink_->Events().empty());
}

TEST_F(UinputInjector, PointerMovesThenPressesInOneReportOnAxesOfTheScreenSize) {
  std::string error;
  EXPECT_FALSE(injector_->Pointer(1, 1, PointerAction::kLeftDown, error));
  EXPECT_NE(error.find("screen size"), std::string::npos) << error;

  injector_->SetScreenSize(480, 640);
  ASSERT_TRUE(injector_->Pointer(20, 40, PointerAction::kLeftDown, error_)) << error_;
  ASSERT_TRUE(injector_->Pointer(21, 42, PointerAction::kMove, error_)) << error_;
  ASSERT_TRUE(injector_->Pointer(479, 639, PointerAction::kLeftUp, error_)) << error_;
  const Events expected = {{EV_ABS, ABS_X, 20},
                           {EV_ABS, ABS_Y, 40},
                           KeyEvent(BTN_LEFT, 1),
                           kSyn,
                           {EV_ABS, ABS_X, 21},
                           {EV_ABS, ABS_Y, 42},
                           kSyn,
                           {EV_ABS, ABS_X, 479},
                           {EV_ABS, ABS_Y, 639},
                           KeyEvent(BTN_LEFT, 0),
                           kSyn};
  EXPECT_EQ(sink_->Events(), expected);
  EXPECT_EQ(sink_->Devices(), (std::vector<Device>{{480, 640}}));
}

TEST_F(UinputInjector, NewScreenSizeMakesANewDeviceAfterReleasingTheButton) {
  injector_->SetScreenSize(240, 320);
  ASSERT_TRUE(injector_->Pointer(5, 5, PointerAction::kLeftDown, error_)) << error_;
  injector_->SetScreenSize(240, 320);  // unchanged: the same device
  injector_->SetScreenSize(320, 240);
  EXPECT_FALSE(sink_->IsOpen());
  ASSERT_TRUE(injector_->Pointer(6, 6, PointerAction::kMove, error_)) << error_;
  const Events expected = {{EV_ABS, ABS_X, 5},
                           {EV_ABS, ABS_Y, 5},
                           KeyEvent(BTN_LEFT, 1),
                           kSyn,
                           KeyEvent(BTN_LEFT, 0),
                           kSyn,
                           {EV_ABS, ABS_X, 6},
                           {EV_ABS, ABS_Y, 6},
                           kSyn};
  EXPECT_EQ(sink_->Events(), expected);
  EXPECT_EQ(sink_->Devices(), (std::vector<Device>{{240, 320}, {320, 240}}));
}

TEST_F(UinputInjector, ButtonLeftDownIsReleasedWhenTheBackendGoes) {
  injector_->SetScreenSize(240, 320);
  ASSERT_TRUE(injector_->Pointer(5, 5, PointerAction::kLeftDown, error_)) << error_;
  sink_->ClearEvents();
  injector_.reset();
  EXPECT_EQ(sink_->Events(), (Events{KeyEvent(BTN_LEFT, 0), kSyn}));
  EXPECT_FALSE(sink_->IsOpen());
}

TEST_F(UinputInjector, RefusedDeviceFailsEachCallAndIsTriedAgain) {
  sink_->RefuseOpen("cannot open /dev/uinput: Permission denied");
  EXPECT_FALSE(injector_->PressKey(Vk(0x0D), false, error_));
  EXPECT_EQ(error_, "cannot open /dev/uinput: Permission denied");
  sink_->RefuseOpen("");
  ASSERT_TRUE(injector_->PressKey(Vk(0x0D), false, error_)) << error_;
  EXPECT_EQ(sink_->Events(), Tap(KEY_ENTER));
}

TEST(UinputDevice, MissingNodeIsReportedByName) {
  CUinputDevice device("/nonexistent/uinput");
  std::string error;
  EXPECT_FALSE(device.Open(240, 320, error));
  EXPECT_EQ(error, "cannot open /nonexistent/uinput: No such file or directory");
  EXPECT_FALSE(device.IsOpen());
  const UinputEvent event{EV_SYN, SYN_REPORT, 0};
  EXPECT_FALSE(device.Write({&event, 1}, error));
}

}  // namespace
}  // namespace mirrodex
