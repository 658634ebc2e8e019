#include "agent/input/VirtualKeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>

namespace mirrodex {
namespace {

// Sorted by code: FindVirtualKey searches it by halves.
constexpr std::array kKeys = std::to_array<VirtualKey>({
    {0x08, XK_BackSpace, KEY_BACKSPACE, "Backspace"},
    {0x09, XK_Tab, KEY_TAB, "Tab"},
    {0x0C, XK_Clear, KEY_CLEAR, "Clear"},
    {0x0D, XK_Return, KEY_ENTER, "Return"},
    {0x10, XK_Shift_L, KEY_LEFTSHIFT, "Shift"},
    {0x11, XK_Control_L, KEY_LEFTCTRL, "Control"},
    {0x12, XK_Alt_L, KEY_LEFTALT, "Alt"},
    {0x13, XK_Pause, KEY_PAUSE, "Pause"},
    {0x14, XK_Caps_Lock, KEY_CAPSLOCK, "Caps Lock"},
    {0x1B, XK_Escape, KEY_ESC, "Escape"},
    {0x20, XK_space, KEY_SPACE, "Space"},
    {0x21, XK_Prior, KEY_PAGEUP, "Page Up"},
    {0x22, XK_Next, KEY_PAGEDOWN, "Page Down"},
    {0x23, XK_End, KEY_END, "End"},
    {0x24, XK_Home, KEY_HOME, "Home"},
    {0x25, XK_Left, KEY_LEFT, "Left"},
    {0x26, XK_Up, KEY_UP, "Up"},
    {0x27, XK_Right, KEY_RIGHT, "Right"},
    {0x28, XK_Down, KEY_DOWN, "Down"},
    {0x29, XK_Select, KEY_SELECT, "Select"},
    {0x2A, XK_Print, KEY_PRINT, "Print"},
    {0x2B, XK_Execute, KEY_OPEN, "Execute"},
    {0x2C, XK_Print, KEY_SYSRQ, "Print Screen"},
    {0x2D, XK_Insert, KEY_INSERT, "Insert"},
    {0x2E, XK_Delete, KEY_DELETE, "Delete"},
    {0x2F, XK_Help, KEY_HELP, "Help"},
    {0x30, XK_0, KEY_0, "0"},
    {0x31, XK_1, KEY_1, "1"},
    {0x32, XK_2, KEY_2, "2"},
    {0x33, XK_3, KEY_3, "3"},
    {0x34, XK_4, KEY_4, "4"},
    {0x35, XK_5, KEY_5, "5"},
    {0x36, XK_6, KEY_6, "6"},
    {0x37, XK_7, KEY_7, "7"},
    {0x38, XK_8, KEY_8, "8"},
    {0x39, XK_9, KEY_9, "9"},
    {0x41, XK_a, KEY_A, "A"},
    {0x42, XK_b, KEY_B, "B"},
    {0x43, XK_c, KEY_C, "C"},
    {0x44, XK_d, KEY_D, "D"},
    {0x45, XK_e, KEY_E, "E"},
    {0x46, XK_f, KEY_F, "F"},
    {0x47, XK_g, KEY_G, "G"},
    {0x48, XK_h, KEY_H, "H"},
    {0x49, XK_i, KEY_I, "I"},
    {0x4A, XK_j, KEY_J, "J"},
    {0x4B, XK_k, KEY_K, "K"},
    {0x4C, XK_l, KEY_L, "L"},
    {0x4D, XK_m, KEY_M, "M"},
    {0x4E, XK_n, KEY_N, "N"},
    {0x4F, XK_o, KEY_O, "O"},
    {0x50, XK_p, KEY_P, "P"},
    {0x51, XK_q, KEY_Q, "Q"},
    {0x52, XK_r, KEY_R, "R"},
    {0x53, XK_s, KEY_S, "S"},
    {0x54, XK_t, KEY_T, "T"},
    {0x55, XK_u, KEY_U, "U"},
    {0x56, XK_v, KEY_V, "V"},
    {0x57, XK_w, KEY_W, "W"},
    {0x58, XK_x, KEY_X, "X"},
    {0x59, XK_y, KEY_Y, "Y"},
    {0x5A, XK_z, KEY_Z, "Z"},
    {0x5B, XK_Super_L, KEY_LEFTMETA, "Left Windows"},
    {0x5C, XK_Super_R, KEY_RIGHTMETA, "Right Windows"},
    {0x5D, XK_Menu, KEY_COMPOSE, "Applications"},
    {0x5F, XF86XK_Sleep, KEY_SLEEP, "Sleep"},
    {0x60, XK_KP_0, KEY_KP0, "Number Pad 0"},
    {0x61, XK_KP_1, KEY_KP1, "Number Pad 1"},
    {0x62, XK_KP_2, KEY_KP2, "Number Pad 2"},
    {0x63, XK_KP_3, KEY_KP3, "Number Pad 3"},
    {0x64, XK_KP_4, KEY_KP4, "Number Pad 4"},
    {0x65, XK_KP_5, KEY_KP5, "Number Pad 5"},
    {0x66, XK_KP_6, KEY_KP6, "Number Pad 6"},
    {0x67, XK_KP_7, KEY_KP7, "Number Pad 7"},
    {0x68, XK_KP_8, KEY_KP8, "Number Pad 8"},
    {0x69, XK_KP_9, KEY_KP9, "Number Pad 9"},
    {0x6A, XK_KP_Multiply, KEY_KPASTERISK, "Number Pad *"},
    {0x6B, XK_KP_Add, KEY_KPPLUS, "Number Pad +"},
    {0x6C, XK_KP_Separator, KEY_KPCOMMA, "Number Pad Separator"},
    {0x6D, XK_KP_Subtract, KEY_KPMINUS, "Number Pad -"},
    {0x6E, XK_KP_Decimal, KEY_KPDOT, "Number Pad ."},
    {0x6F, XK_KP_Divide, KEY_KPSLASH, "Number Pad /"},
    {0x70, XK_F1, KEY_F1, "F1"},
    {0x71, XK_F2, KEY_F2, "F2"},
    {0x72, XK_F3, KEY_F3, "F3"},
    {0x73, XK_F4, KEY_F4, "F4"},
    {0x74, XK_F5, KEY_F5, "F5"},
    {0x75, XK_F6, KEY_F6, "F6"},
    {0x76, XK_F7, KEY_F7, "F7"},
    {0x77, XK_F8, KEY_F8, "F8"},
    {0x78, XK_F9, KEY_F9, "F9"},
    {0x79, XK_F10, KEY_F10, "F10"},
    {0x7A, XK_F11, KEY_F11, "F11"},
    {0x7B, XK_F12, KEY_F12, "F12"},
    {0x7C, XK_F13, KEY_F13, "F13"},
    {0x7D, XK_F14, KEY_F14, "F14"},
    {0x7E, XK_F15, KEY_F15, "F15"},
    {0x7F, XK_F16, KEY_F16, "F16"},
    {0x80, XK_F17, KEY_F17, "F17"},
    {0x81, XK_F18, KEY_F18, "F18"},
    {0x82, XK_F19, KEY_F19, "F19"},
    {0x83, XK_F20, KEY_F20, "F20"},
    {0x84, XK_F21, KEY_F21, "F21"},
    {0x85, XK_F22, KEY_F22, "F22"},
    {0x86, XK_F23, KEY_F23, "F23"},
    {0x87, XK_F24, KEY_F24, "F24"},
    {0x90, XK_Num_Lock, KEY_NUMLOCK, "Num Lock"},
    {0x91, XK_Scroll_Lock, KEY_SCROLLLOCK, "Scroll Lock"},
    {0xA0, XK_Shift_L, KEY_LEFTSHIFT, "Left Shift"},
    {0xA1, XK_Shift_R, KEY_RIGHTSHIFT, "Right Shift"},
    {0xA2, XK_Control_L, KEY_LEFTCTRL, "Left Control"},
    {0xA3, XK_Control_R, KEY_RIGHTCTRL, "Right Control"},
    {0xA4, XK_Alt_L, KEY_LEFTALT, "Left Alt"},
    {0xA5, XK_Alt_R, KEY_RIGHTALT, "Right Alt"},
    {0xA6, XF86XK_Back, KEY_BACK, "Browser Back"},
    {0xA7, XF86XK_Forward, KEY_FORWARD, "Browser Forward"},
    {0xA8, XF86XK_Refresh, KEY_REFRESH, "Browser Refresh"},
    {0xA9, XF86XK_Stop, KEY_STOP, "Browser Stop"},
    {0xAA, XF86XK_Search, KEY_SEARCH, "Browser Search"},
    {0xAB, XF86XK_Favorites, KEY_BOOKMARKS, "Browser Favorites"},
    {0xAC, XF86XK_HomePage, KEY_HOMEPAGE, "Browser Home"},
    {0xAD, XF86XK_AudioMute, KEY_MUTE, "Volume Mute"},
    {0xAE, XF86XK_AudioLowerVolume, KEY_VOLUMEDOWN, "Volume Down"},
    {0xAF, XF86XK_AudioRaiseVolume, KEY_VOLUMEUP, "Volume Up"},
    {0xB0, XF86XK_AudioNext, KEY_NEXTSONG, "Next Track"},
    {0xB1, XF86XK_AudioPrev, KEY_PREVIOUSSONG, "Previous Track"},
    {0xB2, XF86XK_AudioStop, KEY_STOPCD, "Stop Media"},
    {0xB3, XF86XK_AudioPlay, KEY_PLAYPAUSE, "Play/Pause Media"},
    {0xB4, XF86XK_Mail, KEY_MAIL, "Mail"},
    {0xBA, XK_semicolon, KEY_SEMICOLON, ";"},
    {0xBB, XK_equal, KEY_EQUAL, "="},
    {0xBC, XK_comma, KEY_COMMA, ","},
    {0xBD, XK_minus, KEY_MINUS, "-"},
    {0xBE, XK_period, KEY_DOT, "."},
    {0xBF, XK_slash, KEY_SLASH, "/"},
    {0xC0, XK_grave, KEY_GRAVE, "`"},
    {0xDB, XK_bracketleft, KEY_LEFTBRACE, "["},
    {0xDC, XK_backslash, KEY_BACKSLASH, "\\"},
    {0xDD, XK_bracketright, KEY_RIGHTBRACE, "]"},
    {0xDE, XK_apostrophe, KEY_APOSTROPHE, "'"},
    {0xE2, XK_less, KEY_102ND, "<"},
});

constexpr bool SortedByCode() {
  for (size_t i = 1; i < kKeys.size(); ++i) {
    if (kKeys[i - 1].code >= kKeys[i].code) return false;
  }
  return true;
}
static_assert(SortedByCode(), "the key table must stay sorted by code, without repeats");

}  // namespace

const VirtualKey* FindVirtualKey(uint8_t code) {
  const auto found = std::lower_bound(kKeys.begin(), kKeys.end(), code,
                                      [](const VirtualKey& k, uint8_t c) { return k.code < c; });
  return found != kKeys.end() && found->code == code ? &*found : nullptr;
}

std::span<const VirtualKey> AllVirtualKeys() {
  return kKeys;
}

}  // namespace mirrodex
