// Ids and defaults of the program settings kept in the "State" section, and the limits
// that reading applies to stored values.
#pragma once

namespace mirrodex {

// An integer (or 0/1 flag) setting: its value name is the decimal id.
struct IntSetting {
  int id;
  int defaultValue;
};

// A text setting: its value name is the decimal id.
struct TextSetting {
  int id;
  const char* defaultValue;  // UTF-8
};

namespace setting {

inline constexpr TextSetting kScreenshotFolder{1012, ""};
inline constexpr TextSetting kVersion{1015, "0.0"};
// Both raised when a different program version ran last; the frame reads and clears them.
inline constexpr IntSetting kVersionChanged{1016, 0};
inline constexpr IntSetting kVersionChangedNotice{1017, 0};
inline constexpr TextSetting kScreenshotExtension{1018, ".bmp"};
inline constexpr IntSetting kAutoNameScreenshots{1019, 0};
inline constexpr IntSetting kZoom{1020, 1};  // 1 or 2
inline constexpr IntSetting kHideFrame{1021, 0};
inline constexpr IntSetting kJpegQuality{1022, 75};
inline constexpr IntSetting kAlwaysOnTop{1031, 0};
inline constexpr IntSetting kPlatformCode{1033, 0};
inline constexpr IntSetting kSoftwareInstalled{1035, 0};
inline constexpr IntSetting kCurrentProfile{1036, 0};  // a position in the profile list
inline constexpr TextSetting kFileManagerFolder{1042, ""};
inline constexpr IntSetting kWindowStyle{1043, 8};
inline constexpr IntSetting kStyleOption1{1044, 1};
inline constexpr IntSetting kStyleOption2{1045, 0};
inline constexpr IntSetting kStyleOption3{1046, 1};
inline constexpr IntSetting kNoInstallOffer{1047, 0};

// The program version this build writes into kVersion.
inline constexpr const char* kCurrentVersion = "1.0";

// "Show this message again" flags are stored under the message's string id; they start on.
inline constexpr int kReminderFlagDefault = 1;

// Stored texts are measured as UTF-16 plus a terminator, as the original store did; a value
// longer than its limit reads as missing. 25 bytes leave room for "-2147483648".
inline constexpr int kMaxIntegerBytes = 25;
inline constexpr int kMaxTextBytes = 260;

// Window placement value names and their fallbacks. A stored x or y below kMinWindowCoord
// (the default included) is replaced when read.
inline constexpr const char* kFramePositionX = "positionX";
inline constexpr const char* kFramePositionY = "positionY";
inline constexpr int kDefaultWindowCoord = -26;
inline constexpr int kMinWindowCoord = -25;
inline constexpr int kFallbackWindowX = 100;
inline constexpr int kFallbackWindowYAboveCentre = 170;

}  // namespace setting
}  // namespace mirrodex
