#include "desktop/app/VirtualKeyTable.h"

#include <algorithm>
#include <array>
#include <utility>

namespace mirrodex::app {
namespace {

using Row = std::pair<int, uint32_t>;

// Keys of the number pad (with the keypad modifier).
constexpr std::array<Row, 23> kKeypad{{
    {Qt::Key_0, 96},        {Qt::Key_1, 97},         {Qt::Key_2, 98},        {Qt::Key_3, 99},
    {Qt::Key_4, 100},       {Qt::Key_5, 101},        {Qt::Key_6, 102},       {Qt::Key_7, 103},
    {Qt::Key_8, 104},       {Qt::Key_9, 105},        {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},
    {Qt::Key_Minus, 109},   {Qt::Key_Period, 110},   {Qt::Key_Comma, 110},   {Qt::Key_Slash, 111},
    {Qt::Key_Enter, 13},    {Qt::Key_Insert, 45},    {Qt::Key_Delete, 46},   {Qt::Key_Home, 36},
    {Qt::Key_End, 35},      {Qt::Key_Clear, 12},     {Qt::Key_Equal, 187},
}};

// Every other key, sorted by Qt key code for the binary search.
constexpr auto kKeys = [] {
  std::array<Row, 104> rows{{
      {Qt::Key_Space, 32},        {Qt::Key_Exclam, 49},      {Qt::Key_QuoteDbl, 222},
      {Qt::Key_NumberSign, 51},   {Qt::Key_Dollar, 52},      {Qt::Key_Percent, 53},
      {Qt::Key_Ampersand, 55},    {Qt::Key_Apostrophe, 222}, {Qt::Key_ParenLeft, 57},
      {Qt::Key_ParenRight, 48},   {Qt::Key_Asterisk, 56},    {Qt::Key_Plus, 187},
      {Qt::Key_Comma, 188},       {Qt::Key_Minus, 189},      {Qt::Key_Period, 190},
      {Qt::Key_Slash, 191},       {Qt::Key_Colon, 186},      {Qt::Key_Semicolon, 186},
      {Qt::Key_Less, 188},        {Qt::Key_Equal, 187},      {Qt::Key_Greater, 190},
      {Qt::Key_Question, 191},    {Qt::Key_At, 50},          {Qt::Key_BracketLeft, 219},
      {Qt::Key_Backslash, 220},   {Qt::Key_BracketRight, 221}, {Qt::Key_AsciiCircum, 54},
      {Qt::Key_Underscore, 189},  {Qt::Key_QuoteLeft, 192},  {Qt::Key_BraceLeft, 219},
      {Qt::Key_Bar, 220},         {Qt::Key_BraceRight, 221}, {Qt::Key_AsciiTilde, 192},
      {Qt::Key_section, 192},     {Qt::Key_Escape, 27},      {Qt::Key_Tab, 9},
      {Qt::Key_Backtab, 9},       {Qt::Key_Backspace, 8},    {Qt::Key_Return, 13},
      {Qt::Key_Enter, 13},        {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46},
      {Qt::Key_Pause, 19},        {Qt::Key_Print, 44},       {Qt::Key_SysReq, 44},
      {Qt::Key_Clear, 12},        {Qt::Key_Home, 36},        {Qt::Key_End, 35},
      {Qt::Key_Left, 37},         {Qt::Key_Up, 38},          {Qt::Key_Right, 39},
      {Qt::Key_Down, 40},         {Qt::Key_PageUp, 33},      {Qt::Key_PageDown, 34},
      {Qt::Key_Shift, 16},        {Qt::Key_Control, 17},     {Qt::Key_Meta, 91},
      {Qt::Key_Alt, 18},          {Qt::Key_CapsLock, 20},    {Qt::Key_NumLock, 144},
      {Qt::Key_ScrollLock, 145},  {Qt::Key_Super_L, 91},     {Qt::Key_Super_R, 92},
      {Qt::Key_Menu, 93},         {Qt::Key_Help, 47},        {Qt::Key_Back, 166},
      {Qt::Key_Forward, 167},     {Qt::Key_Stop, 169},       {Qt::Key_Refresh, 168},
      {Qt::Key_VolumeDown, 174},  {Qt::Key_VolumeMute, 173}, {Qt::Key_VolumeUp, 175},
      {Qt::Key_MediaPlay, 179},   {Qt::Key_MediaStop, 178},  {Qt::Key_MediaPrevious, 177},
      {Qt::Key_MediaNext, 176},   {Qt::Key_HomePage, 172},   {Qt::Key_Favorites, 171},
      {Qt::Key_Search, 170},      {Qt::Key_LaunchMail, 180}, {Qt::Key_LaunchMedia, 181},
      {Qt::Key_Launch0, 182},     {Qt::Key_Launch1, 183},    {Qt::Key_MediaTogglePlayPause, 179},
      {Qt::Key_Select, 41},       {Qt::Key_Execute, 43},     {Qt::Key_Sleep, 95},
      {Qt::Key_AltGr, 18},        {Qt::Key_Mode_switch, 18}, {Qt::Key_Cancel, 3},
      {Qt::Key_Printer, 42},      {Qt::Key_Play, 250},       {Qt::Key_Zoom, 251},
      {Qt::Key_Kanji, 25},        {Qt::Key_Hangul, 21},      {Qt::Key_Hangul_Hanja, 25},
      {Qt::Key_Henkan, 28},       {Qt::Key_Muhenkan, 29},    {Qt::Key_Kana_Lock, 21},
      {Qt::Key_Kana_Shift, 21},   {Qt::Key_Zenkaku_Hankaku, 243}, {Qt::Key_Hiragana, 242},
      {Qt::Key_Katakana, 241},    {Qt::Key_Eisu_toggle, 240},
  }};
  std::sort(rows.begin(), rows.end());
  return rows;
}();

uint32_t Find(const auto& rows, int key) {
  const auto it = std::lower_bound(rows.begin(), rows.end(), Row{key, 0},
                                   [](const Row& a, const Row& b) { return a.first < b.first; });
  return it != rows.end() && it->first == key ? it->second : 0;
}

}  // namespace

uint32_t VirtualKeyFor(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    for (const Row& row : kKeypad)
      if (row.first == key) return row.second;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint32_t>(key);  // 65..90
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<uint32_t>(key);  // 48..57
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + static_cast<uint32_t>(key - Qt::Key_F1);
  return Find(kKeys, key);
}

}  // namespace mirrodex::app
