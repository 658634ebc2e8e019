// Key and pointer words replayed through XTest on a private X server arrive in a window that
// records them: presses at the exact device pixel, in order; virtual keys as their keys;
// characters exactly, including ones on no key of the layout and ones outside the BMP.

// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) break GoogleTest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "agent/input/CLinuxUserInterface.h"
#include "agent/input/xtest/CXTestInjector.h"
#include "tests/input/EventWindow.h"
#include "tests/input/GeometryScreen.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using test::EventWindow;
using test::GeometryScreen;
using test::XvfbServer;

constexpr KeySym UnicodeKeysym(char32_t c) {
  return 0x01000000 | c;
}

class XTestInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = XvfbServer::Start({480, 640, 24}, startError_); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(server_) << startError_;
    window_ = std::make_unique<EventWindow>(server_->DisplayName());
    ASSERT_TRUE(window_->Usable()) << "cannot connect to " << server_->DisplayName();
    Build(nullptr);
  }

  void Build(const CScreenCap* screen) {
    ui_ = std::make_unique<CLinuxUserInterface>(
        std::make_unique<CXTestInjector>(server_->DisplayName()), screen, nullptr);
  }

  void Run(std::initializer_list<uint32_t> words) {
    for (const uint32_t word : words) ui_->PutCommandWord(word);
    while (ui_->ProcessOneCommand() != CommandResult::kNothingQueued) {
    }
  }

  // The pointer events among `events`, moves only where they carry the given position.
  static std::vector<EventWindow::Event> ButtonsAndMovesTo(
      const std::vector<EventWindow::Event>& events, int x, int y) {
    std::vector<EventWindow::Event> kept;
    for (const auto& e : events) {
      if (e.type == ButtonPress || e.type == ButtonRelease ||
          (e.type == MotionNotify && e.x == x && e.y == y)) {
        kept.push_back(e);
      }
    }
    return kept;
  }

  static std::unique_ptr<XvfbServer> server_;
  static std::string startError_;
  std::unique_ptr<EventWindow> window_;
  std::unique_ptr<CLinuxUserInterface> ui_;
};

std::unique_ptr<XvfbServer> XTestInput::server_;
std::string XTestInput::startError_;

TEST_F(XTestInput, PressMoveAndReleaseArriveAtTheDevicePixelInOrder) {
  GeometryScreen screen(480, 640, ScaleMode::kAsIs);
  Build(&screen);
  Run({PointerWord(17, 23, PointerAction::kLeftDown), PointerWord(100, 200, PointerAction::kMove),
       PointerWord(479, 639, PointerAction::kLeftUp)});
  const auto events = ButtonsAndMovesTo(window_->Take(), 100, 200);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].type, ButtonPress);
  EXPECT_EQ(events[0].button, 1u);
  EXPECT_EQ(events[0].x, 17);
  EXPECT_EQ(events[0].y, 23);
  EXPECT_EQ(events[1].type, MotionNotify);
  EXPECT_NE(events[1].state & Button1Mask, 0u) << "the move must drag with the button down";
  EXPECT_EQ(events[2].type, ButtonRelease);
  EXPECT_EQ(events[2].x, 479);
  EXPECT_EQ(events[2].y, 639);
}

TEST_F(XTestInput, HalvedScreenPressLandsOnTwiceTheDevicePixel) {
  GeometryScreen screen(240, 320, ScaleMode::kHalved);
  Build(&screen);
  Run({PointerWord(17, 23, PointerAction::kLeftDown),
       PointerWord(239, 319, PointerAction::kLeftUp)});
  const auto events = ButtonsAndMovesTo(window_->Take(), -1, -1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, ButtonPress);
  EXPECT_EQ(events[0].x, 34);
  EXPECT_EQ(events[0].y, 46);
  EXPECT_EQ(events[1].type, ButtonRelease);
  EXPECT_EQ(events[1].x, 478);
  EXPECT_EQ(events[1].y, 638);
}

TEST_F(XTestInput, VirtualKeysArePressedAndReleasedAsTheirKeys) {
  // F13 is on no key of this server's keymap; number pad 7 needs Shift with Num Lock off.
  Run({KeyWord(0x0D, true), KeyWord(0x70, true), KeyWord(0x73, true), KeyWord('A', true),
       KeyWord('5', true), KeyWord(0x67, true), KeyWord(0x25, true), KeyWord(0x22, true),
       KeyWord(0x7C, true), KeyWord(0x1B, true), KeyWord(0x20, true), KeyWord(0x2E, true)});
  const auto events = window_->Take();
  EXPECT_EQ(EventWindow::PressedKeysyms(events),
            (std::vector<KeySym>{XK_Return, XK_F1, XK_F4, XK_a, XK_5, XK_KP_7, XK_Left, XK_Next,
                                 XK_F13, XK_Escape, XK_space, XK_Delete}));
  const auto presses =
      std::count_if(events.begin(), events.end(), [](const auto& e) { return e.type == KeyPress; });
  const auto releases = std::count_if(events.begin(), events.end(),
                                      [](const auto& e) { return e.type == KeyRelease; });
  EXPECT_EQ(presses, releases) << "every key pressed must be released";
}

TEST_F(XTestInput, CharactersAreTypedExactlyWhetherOrNotAKeyHasThem) {
  // 'é', '€' and 'Ж' are on no key of a US layout; U+1F600 arrives as a surrogate pair.
  Run({KeyWord('a', false), KeyWord('Z', false), KeyWord('~', false), KeyWord('1', false),
       KeyWord(0xE9, false), KeyWord(0x20AC, false), KeyWord(0x0416, false), KeyWord(0xD83D, false),
       KeyWord(0xDE00, false), KeyWord(' ', false), KeyWord(0x20AC, false)});
  EXPECT_EQ(EventWindow::PressedKeysyms(window_->Take()),
            (std::vector<KeySym>{XK_a, XK_Z, XK_asciitilde, XK_1, XK_eacute, UnicodeKeysym(0x20AC),
                                 UnicodeKeysym(0x0416), UnicodeKeysym(0x1F600), XK_space,
                                 UnicodeKeysym(0x20AC)}));
}

TEST_F(XTestInput, CharactersStayExactWithCapsLockOn) {
  // 'é' and 'ж' are on no key here, so they are typed on lent keycodes.
  Run({KeyWord(0x14, true), KeyWord('a', false), KeyWord('A', false), KeyWord('A', true),
       KeyWord(0xE9, false), KeyWord(0x0436, false), KeyWord(0x14, true), KeyWord('a', false)});
  EXPECT_EQ(EventWindow::PressedKeysyms(window_->Take()),
            (std::vector<KeySym>{XK_a, XK_A, XK_A, XK_eacute, UnicodeKeysym(0x0436), XK_a}));
}

TEST_F(XTestInput, ControlCharactersArriveAsTheirKeysAndControlChords) {
  Run({KeyWord(0x01, false), KeyWord(0x0D, false), KeyWord(0x08, false)});
  std::vector<EventWindow::Event> presses;
  for (const auto& e : window_->Take()) {
    if (e.type == KeyPress && !IsModifierKey(e.keysym)) presses.push_back(e);
  }
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[0].keysym, static_cast<KeySym>(XK_a));
  EXPECT_NE(presses[0].state & ControlMask, 0u);
  EXPECT_EQ(presses[1].keysym, static_cast<KeySym>(XK_Return));
  EXPECT_EQ(presses[1].state & ControlMask, 0u);
  EXPECT_EQ(presses[2].keysym, static_cast<KeySym>(XK_BackSpace));
}

TEST_F(XTestInput, MoreRareCharactersThanSpareKeycodesAllArrive) {
  // A client that keeps up sees each one right even after the spare keycodes are reused.
  std::vector<KeySym> typed, expected;
  for (char32_t c = 0x0410; c < 0x0410 + 64; ++c) {  // Cyrillic capitals and small letters
    Run({KeyWord(static_cast<uint32_t>(c), false)});
    const auto keysyms = EventWindow::PressedKeysyms(window_->Take());
    typed.insert(typed.end(), keysyms.begin(), keysyms.end());
    expected.push_back(UnicodeKeysym(c));
  }
  EXPECT_EQ(typed, expected);
}

TEST_F(XTestInput, LongMixedTextsInSeveralScriptsArriveExactlyAgainAndAgain) {
  // Far more distinct characters than spare keycodes, letters with two cases and symbols of
  // one mixed, so that keycodes lent to one kind are taken over by the other.
  const std::u32string texts[] = {
      U"«Größe: 20 °C, Preis 15 € – ½ Stück © Müller & Söhne ± 3 %» — Ça coûte 12 £, señor; "
      U"¿qué? ¡sí! Ærø, Łódź",
      U"Ελληνικά: Καλημέρα κόσμε, ψυχή ζωή ξένος ¶ § ¥ ¤ ¬ ® ¹ ² ³ ¼ ¾ ÷ × ¦ ¨ ª º",
      U"Кириллица: Съешь же ещё этих мягких французских булок, да выпей чаю. Щука Юг Ёж",
      U"漢字かな交じり文：東京都、日本語の入力。中文输入法测试，你好世界！한국어 입력 시험",
      U"Čeština ŘŽŠ ž ő ű Ő Ű ğ ş ç ñ Ñ å Å ø Ø æ œ Œ ÿ ð Þ þ ¢ ‰ † ‡ • … ™ ← → ↑ ↓ ∞ ≠ ≤ ≥"};
  for (int round = 0; round < 3; ++round) {
    for (const std::u32string& text : texts) {
      std::vector<KeySym> typed, expected;
      for (const char32_t c : text) {
        Run({KeyWord(static_cast<uint32_t>(c), false)});
        // Taken after each character, as a client that keeps up reads a reused keycode.
        const auto keysyms = EventWindow::PressedKeysyms(window_->Take());
        typed.insert(typed.end(), keysyms.begin(), keysyms.end());
        expected.push_back((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)
                               ? static_cast<KeySym>(c)
                               : UnicodeKeysym(c));
      }
      ASSERT_EQ(typed, expected) << "round " << round;
    }
  }
}

TEST_F(XTestInput, LentKeycodesAreGivenBackWhenTheBackendGoes) {
  Run({KeyWord(0x20AC, false)});
  auto keycodeOfEuro = [this] {
    Display* fresh = XOpenDisplay(server_->DisplayName().c_str());
    const KeyCode keycode = XKeysymToKeycode(fresh, UnicodeKeysym(0x20AC));
    XCloseDisplay(fresh);
    return keycode;
  };
  EXPECT_NE(keycodeOfEuro(), 0);
  ui_.reset();
  EXPECT_EQ(keycodeOfEuro(), 0);
}

TEST(XTestInjector, MissingDisplayIsReportedByName) {
  CXTestInjector injector("unix:4093");
  std::string error;
  EXPECT_FALSE(injector.TypeCharacter('a', error));
  EXPECT_EQ(error, "cannot open the X display \"unix:4093\"");
  EXPECT_FALSE(injector.Pointer(1, 1, PointerAction::kMove, error));
}

}  // namespace
}  // namespace mirrodex
