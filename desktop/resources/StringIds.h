// Named ids of the program's string table. The numbers are the table's keys; message boxes,
// menus and bars ask LoadText for the text of an id.
#pragma once

namespace mirrodex::text {

// Window and menu texts.
inline constexpr int kAppTitle = 128;               // "Mirrodex"
inline constexpr int kHideWindow = 129;
inline constexpr int kShowWindow = 130;
inline constexpr int kPauseVideo = 131;
inline constexpr int kResumeVideo = 132;
inline constexpr int kStyleChangeNotice = 133;
inline constexpr int kResourcesBarTitle = 149;      // "PDA Resources"
inline constexpr int kMainToolBarTitle = 150;       // "Main Tool Bar"

// Screenshots, video and files.
inline constexpr int kCopyFailed = 61204;           // %s: the target path
inline constexpr int kVideoCreationFailed = 61205;
inline constexpr int kCommunicationFailed = 61212;
inline constexpr int kPleaseWait = 61217;
inline constexpr int kActiveSyncStartError = 61226;
inline constexpr int kInstallError = 61227;
inline constexpr int kSelectFolder = 61234;
inline constexpr int kSelectFileOrFolder = 61253;
inline constexpr int kSelectFileAndFolder = 61254;
inline constexpr int kFileExistsOverwrite = 61255;  // %s: the file
inline constexpr int kErrorCreatingFile = 61256;    // %s: the file
inline constexpr int kFileExistsQuestion = 61259;   // %s: the file
inline constexpr int kCopyError = 61262;
inline constexpr int kFolderNotEmpty = 61263;
inline constexpr int kConfirmDelete = 61264;        // %s: what is deleted
inline constexpr int kNewFolder = 61265;
inline constexpr int kRetrieveError = 61266;
inline constexpr int kClipboardError = 61267;
inline constexpr int kNothingToCopy = 61268;
inline constexpr int kBridgeUnavailable = 61269;    // the sync bridge cannot reach a device
inline constexpr int kCaptureVideoItem = 61270;
inline constexpr int kStopVideoCaptureItem = 61271;
inline constexpr int kInformation = 61273;
inline constexpr int kInstallHint = 61274;          // the idle picture's text

// Start-up picture stages 1 to 5.
inline constexpr int kStageInitializingActiveSync = 61280;
inline constexpr int kStageReadingDeviceInfo = 61281;
inline constexpr int kStageEstablishingConnection = 61282;
inline constexpr int kStageConnected = 61283;
inline constexpr int kStageInitializingConnection = 61287;

// Profiles, frame and device applications.
inline constexpr int kProfileNameEmpty = 61284;
inline constexpr int kProfileExistsOverwrite = 61285;  // %s: the profile name
inline constexpr int kDefaultProfileName = 61286;      // "<Default>"
inline constexpr int kHideFrameHint = 61288;
inline constexpr int kMemoryMeter = 61289;             // %d: percent
inline constexpr int kBatteryMeter = 61290;            // %d: percent
inline constexpr int kKillProcessWarning = 61291;
inline constexpr int kMakeSelection = 61292;
inline constexpr int kEndDrag = 61293;

// File manager headers and status bar panes.
inline constexpr int kLocalHeader = 61409;
inline constexpr int kDeviceHeader = 61410;
inline constexpr int kFileSizePane = 61411;
inline constexpr int kFileDatePane = 61412;
inline constexpr int kTransferRatePane = 61413;

// Connection start.
inline constexpr int kNoIpAddress = 61417;
inline constexpr int kFastConnectionWarning = 61418;
inline constexpr int kMaxRefreshWarning = 61419;
inline constexpr int kAlternateMethodQuestion = 61420;
inline constexpr int kSaveSettingQuestion = 61421;

// Texts of this port that the table did not have before.
inline constexpr int kWaitingForDevice = 61500;   // a lost connection, listening again
inline constexpr int kLiveFigures = 61501;        // %d images/s, %d kB/s, %d ms
inline constexpr int kStartFailedToConnect = 61502;  // "Failed to create connection"
inline constexpr int kSocketStartError = 61503;   // "Error starting TCP connection"
inline constexpr int kNotConnected = 61504;       // a device command while no device is connected
inline constexpr int kProfileSaveFailed = 61505;  // %s: the settings file
inline constexpr int kProfileNameInvalid = 61506;
inline constexpr int kInvalidAddress = 61507;
inline constexpr int kProfileRemoveFailed = 61508;  // %s: the profile name

}  // namespace mirrodex::text
