// The numeric ids of the desktop program's commands (menus, tool bars, accelerators, tray).
#pragma once

namespace mirrodex::cmd {

inline constexpr int kStart = 32771;
inline constexpr int kScreenShot = 32773;
inline constexpr int kCopyToDevice = 32774;
inline constexpr int kCopyFromDevice = 32775;
inline constexpr int kZoom = 32778;
inline constexpr int kHideFrame = 32779;
inline constexpr int kCaptureVideo = 32780;
inline constexpr int kInterlacing = 32782;
inline constexpr int kHelp = 32789;
inline constexpr int kAlwaysOnTop = 32797;
inline constexpr int kFileManager = 32798;
inline constexpr int kInstallDeviceApp = 32804;
inline constexpr int kProfiles = 32814;
inline constexpr int kDeviceResources = 32827;
inline constexpr int kResourceToolBar = 32828;
inline constexpr int kDeviceApps = 32829;
inline constexpr int kStartDrag = 32830;
inline constexpr int kHideWindow = 32832;
inline constexpr int kPauseVideo = 32840;
inline constexpr int kStyleOffice2003 = 32842;
inline constexpr int kStyleIcy = 32843;
inline constexpr int kStyleXpReBars = 32846;
inline constexpr int kStyleXp = 32847;
inline constexpr int kChooseProfile = 1312;
inline constexpr int kFirstProfileEntry = 10000;
inline constexpr int kLastProfileEntry = 11000;
inline constexpr int kQuickScreenShot = 57634;  // no menu entry: Ctrl+Shift+S
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kMainToolBar = 59392;
inline constexpr int kStatusBar = 59393;

}  // namespace mirrodex::cmd
