// The main window: a fixed-size frame around the device screen window with the menu bar, the
// main tool bar (seven buttons), the resources bar (battery and memory meters, Device
// Resources), the status bar with the live figures, and the tray icon when the desktop has a
// tray. It starts and stops the connection with the current profile, shows the sessions'
// events, and keeps the frame's state (zoom, Hide Frame, Always On Top, position, bars).
// Threads: the user-interface thread; session events arrive as posted events (0x7EA).
// Ownership: owns its widgets, the command table and the device services; the settings
// store, the link, the runner, the prompter and the frame store are not owned and outlive
// the frame.
// Closing the frame stops the sessions.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <chrono>
#include <functional>

#include "desktop/app/ScreenFigures.h"
#include "desktop/app/SessionBridge.h"
#include "desktop/app/SyncBridgeStart.h"
#include "desktop/shell/LockKeyPanes.h"

class QLabel;
class QMenu;
class QSystemTrayIcon;
class QToolBar;
class QToolButton;

namespace mirrodex {
class CSettingsStore;
class DeviceRequestRunner;
class MessagePrompter;
class ReplyDispatcher;
class CommandTable;
class CDeviceScreenWnd;
class CMovieFileDlg;
class CaptureControl;
class BarDock;
class DeviceServices;
class ScreenshotCommands;
class ResourceMeter;
namespace app {
class DeviceLink;
class FrameStore;
}  // namespace app

class CMainFrame : public QMainWindow {
 public:
  struct Parts {
    CSettingsStore& store;
    app::DeviceLink& link;
    DeviceRequestRunner& runner;  // the program's requesting thread
    MessagePrompter& prompter;
    app::FrameStore& frames;
    std::function<app::ScreenCounters()> takeCounters;  // empty: no live figures
    uint16_t defaultPlatform = 2;
    // Opens the device file manager window or raises the open one; empty: no file manager.
    std::function<void(QWidget* owner)> openFileManager;
    // Closes the file manager window before the sessions stop; may be empty.
    std::function<void()> closeFileManager;
  };

  explicit CMainFrame(Parts parts, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The Start/Stop command.
  void OnStart();
  // Makes profile `index` of the stored list current (the Start drop-down's entries).
  void OnSelectProfile(int index);
  // Makes the named profile current; false when there is no such profile.
  bool SelectProfileByName(const QString& name);
  // Brings the window to the front (a second start of the program asks for it).
  void Raise();
  // Shows the window as it was left: with its frame, or the picture alone when Hide Frame was
  // on at the last exit.
  void ShowAsStored();

  CommandTable& Commands() { return *commands_; }
  CDeviceScreenWnd& Screen() { return *screen_; }
  DeviceServices& Services() { return *services_; }
  CaptureControl& Capture() { return *capture_; }
  ScreenshotCommands& Screenshots() { return *screenshots_; }
  CMovieFileDlg& MovieFileDialog() { return *movieFileDlg_; }
  ResourceMeter& BatteryMeter() { return *battery_; }
  ResourceMeter& MemoryMeter() { return *memory_; }
  QLabel& FiguresPane() { return *figuresPane_; }
  LockKeyPanes& LockPanes() { return *lockPanes_; }
  QString StateText() const;
  const QString& ProfileName() const { return profileName_; }
  uint16_t Platform() const { return platform_; }
  bool StartRunning() const { return startGuard_; }
  bool WaitingForDevice() const { return waitingForDevice_; }
  // The sync bridge's start sequence (by default: this desktop has none); not owned.
  void SetSyncBridge(app::SyncBridgeStart& bridge) { bridge_ = &bridge; }
  // How long a TCP/IP start waits for the device, in ms (tests shorten it).
  void SetStartWaitCapMs(int cap) { startWaitCapMs_ = cap; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // CMainFrameCommands.cpp
  void CreateCommands();
  void CreateMenus();
  void CreateBars();
  void CreateTray();
  void ShowContextMenu(QPoint global);
  void ShowProfileMenu();
  void OpenProfiles();
  void OpenDeviceApps();
  QMenu* BuildPopup(QWidget* parent, std::initializer_list<int> ids);
  // CMainFrameConnection.cpp
  void OnSessionEvent(int param, uint32_t code = 0);
  void BeginStartWait();
  void StartThroughBridge();
  // The result of the start sequence through the bridge (SyncBridgeStart's values).
  void OnBridgeResult(int result);
  void EndStartWait();
  void FinishStart();
  void OnConnected();
  void OnConnectionLost();
  void SetPlatform(uint16_t platform);
  void UpdateTitle();
  void ShowMessage(const QString& text, bool error = true);
  // CMainFrame.cpp
  void ToggleZoom();
  void ToggleHideFrame(bool remind = true);
  void ToggleAlwaysOnTop();
  void TogglePause();
  void ToggleHideWindow();
  void ToggleDrag();
  void ChooseStyle(int number);
  void FitToPicture();
  void TickFigures();
  void SaveBars();
  void RestoreBars();

  CSettingsStore& store_;
  app::DeviceLink& link_;
  DeviceRequestRunner& runner_;
  MessagePrompter& prompter_;
  app::FrameStore& frames_;
  std::function<app::ScreenCounters()> takeCounters_;
  std::function<void(QWidget*)> openFileManager_;
  std::function<void()> closeFileManager_;
  app::NoSyncBridge noBridge_;
  app::SyncBridgeStart* bridge_ = &noBridge_;

  CommandTable* commands_ = nullptr;
  CDeviceScreenWnd* screen_ = nullptr;
  QWidget* screenHolder_ = nullptr;
  QToolBar* mainBar_ = nullptr;
  QToolBar* resourcesBar_ = nullptr;
  BarDock* mainDock_ = nullptr;
  BarDock* resourcesDock_ = nullptr;
  QToolButton* profileButton_ = nullptr;
  ResourceMeter* battery_ = nullptr;
  ResourceMeter* memory_ = nullptr;
  QLabel* statePane_ = nullptr;  // what the connection is doing
  QLabel* figuresPane_ = nullptr;
  LockKeyPanes* lockPanes_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  DeviceServices* services_ = nullptr;
  CMovieFileDlg* movieFileDlg_ = nullptr;  // one for the program's run
  CaptureControl* capture_ = nullptr;
  ScreenshotCommands* screenshots_ = nullptr;

  QString profileName_;
  uint16_t defaultPlatform_ = 2;
  uint16_t platform_ = 2;
  bool tcpIp_ = false;
  bool interlace_ = true;
  int timeoutSeconds_ = 6;
  int startWaitCapMs_ = 1 << 30;
  bool startGuard_ = false;
  bool alternateAttempt_ = false;
  bool waitingForStart_ = false;
  QTimer startTimer_;
  bool wasConnected_ = false;
  bool waitingForDevice_ = false;

  int zoom_ = 1;
  bool alwaysOnTop_ = false;
  bool windowHidden_ = false;
  bool videoPaused_ = false;
  bool frameHidden_ = false;
  bool dragMode_ = false;

  QTimer idleTimer_;     // runs the update handlers
  QTimer figuresTimer_;  // once a second
  app::ScreenFigures figures_;
  std::chrono::steady_clock::time_point figuresSince_;
};

}  // namespace mirrodex
