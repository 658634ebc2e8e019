#include "desktop/shell/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QVBoxLayout>

#include "desktop/app/AppEvents.h"
#include "desktop/app/DeviceLink.h"
#include "desktop/media/dialog/CMovieFileDlg.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/BarDock.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CaptureControl.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/ResourceMeter.h"
#include "desktop/shell/ScreenshotCommands.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {

CMainFrame::CMainFrame(Parts parts, QWidget* parent)
    : QMainWindow(parent),
      store_(parts.store),
      link_(parts.link),
      runner_(parts.runner),
      prompter_(parts.prompter),
      frames_(parts.frames),
      takeCounters_(std::move(parts.takeCounters)),
      openFileManager_(std::move(parts.openFileManager)),
      closeFileManager_(std::move(parts.closeFileManager)),
      defaultPlatform_(parts.defaultPlatform),
      platform_(parts.defaultPlatform) {
  setObjectName(QStringLiteral("MirrodexFrame"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowIcon(LoadIcon(Icon::kApplication));
  profileName_ = LoadText(text::kDefaultProfileName);

  screenHolder_ = new QWidget(this);
  screenHolder_->setObjectName(QStringLiteral("ScreenHolder"));
  screenHolder_->setStyleSheet(QStringLiteral("#ScreenHolder { background: #1e293b; }"));
  auto* holderLayout = new QVBoxLayout(screenHolder_);
  holderLayout->setContentsMargins(6, 6, 6, 6);
  screen_ = new CDeviceScreenWnd(link_, frames_, screenHolder_);
  holderLayout->addWidget(screen_, 0, Qt::AlignCenter);
  setCentralWidget(screenHolder_);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  services_ = new DeviceServices(link_, runner_, this);
  services_->onMessage = [this](const QString& text) { ShowMessage(text); };
  movieFileDlg_ = new CMovieFileDlg(store_, prompter_, this);
  capture_ = new CaptureControl(*screen_, *movieFileDlg_, prompter_, this);
  capture_->onFinished = [this](const QString& text) { statusBar()->showMessage(text, 20000); };
  screenshots_ = new ScreenshotCommands(*screen_, store_, *movieFileDlg_, prompter_, this);

  CreateCommands();
  CreateMenus();
  CreateBars();
  CreateTray();
  services_->onStatusAvailable = [this](bool available) {
    battery_->SetAvailable(available);
    memory_->SetAvailable(available);
  };
  services_->onStatus = [this](uint32_t memory, uint32_t battery) {
    memory_->SetPercent(static_cast<int>(memory));
    battery_->SetPercent(static_cast<int>(battery));
  };
  screen_->onContextMenu = [this](QPoint global) { ShowContextMenu(global); };
  screen_->onPictureSizeChanged = [this] { FitToPicture(); };
  screen_->onPicturePainted = [this](std::chrono::steady_clock::duration d) { figures_.NotePaint(d); };

  // The frame's lasting state.
  zoom_ = store_.GetInt(setting::kZoom) == 2 ? 2 : 1;
  screen_->SetZoom(zoom_);
  alwaysOnTop_ = store_.GetFlag(setting::kAlwaysOnTop);
  if (alwaysOnTop_) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  const QSize screenSize = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
  move(store_.ReadWindowPosition(screenSize));
  RestoreBars();

  const int index = store_.GetInt(setting::kCurrentProfile);
  if (index >= 0 && index < store_.ListProfiles().size()) {
    profileName_ = store_.ListProfiles().at(index);
    const ConnectionProfile profile = store_.ReadProfile(profileName_, defaultPlatform_);
    SetPlatform(static_cast<uint16_t>(profile.platform));
    tcpIp_ = profile.connType != 0;
    interlace_ = profile.interlace;
  }
  link_.SetProfile(profileName_.toStdString());
  UpdateTitle();

  startTimer_.setSingleShot(true);
  connect(&startTimer_, &QTimer::timeout, this, [this] { EndStartWait(); });
  idleTimer_.setInterval(250);
  connect(&idleTimer_, &QTimer::timeout, this, [this] { commands_->UpdateAll(); });
  idleTimer_.start();
  figuresTimer_.setInterval(1000);
  connect(&figuresTimer_, &QTimer::timeout, this, [this] { TickFigures(); });
  figuresTimer_.start();
  figuresSince_ = std::chrono::steady_clock::now();

  // Listening from start-up until exit.
  link_.Listen();
  screen_->ShowStage(0);
  commands_->UpdateAll();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::Raise() {
  if (windowHidden_) ToggleHideWindow();
  QWidget* top = frameHidden_ ? static_cast<QWidget*>(screen_) : this;
  top->show();
  top->setWindowState((top->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  top->raise();
  top->activateWindow();
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == app::kSessionEventEvent) {
    const auto* sessionEvent = static_cast<app::SessionEventEvent*>(event);
    OnSessionEvent(sessionEvent->Param(), sessionEvent->Code());
    return true;
  }
  if (event->type() == app::kSessionMessageEvent) {
    ShowMessage(static_cast<app::SessionMessageEvent*>(event)->Text());
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::changeEvent(QEvent* event) {
  // Keyboard focus belongs to the device picture whenever the frame is active.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) screen_->setFocus();
  QMainWindow::changeEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  SaveBars();
  if (tray_) tray_->hide();
  services_->StatusOff();
  startTimer_.stop();
  if (closeFileManager_) closeFileManager_();
  link_.Stop();
  (void)store_.SetInt(setting::kZoom, zoom_);
  (void)store_.SetInt(setting::kHideFrame, frameHidden_ ? 1 : 0);
  (void)store_.WriteWindowPosition(pos());
  if (frameHidden_) screen_->close();
  event->accept();
  QApplication::quit();
}

void CMainFrame::FitToPicture() { adjustSize(); }

void CMainFrame::ToggleZoom() {
  zoom_ = zoom_ == 2 ? 1 : 2;
  screen_->SetZoom(zoom_);
  FitToPicture();
}

void CMainFrame::ToggleAlwaysOnTop() {
  alwaysOnTop_ = !alwaysOnTop_;
  (void)store_.SetFlag(setting::kAlwaysOnTop, alwaysOnTop_);
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_);
  if (visible) show();
  if (frameHidden_) {  // the picture stands alone: it is the window that stays on top
    const bool shown = screen_->isVisible();
    screen_->setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_);
    if (shown) screen_->show();
  }
}

void CMainFrame::TogglePause() {
  videoPaused_ = !videoPaused_;
  link_.QueuePointer(0, 0, PointerAction::kTogglePause);
}

void CMainFrame::ToggleHideWindow() {
  windowHidden_ = !windowHidden_;
  QWidget* top = frameHidden_ ? static_cast<QWidget*>(screen_) : this;
  if (windowHidden_) {
    // A hidden window needs no pictures: pause them (showing again does not resume).
    if (!videoPaused_ && link_.IsConnected()) TogglePause();
    top->hide();
  } else {
    top->show();
  }
}

void CMainFrame::ShowAsStored() {
  show();
  if (store_.GetInt(setting::kHideFrame) == 1 && !frameHidden_) ToggleHideFrame(false);
}

void CMainFrame::ToggleHideFrame(bool remind) {
  if (!frameHidden_) {
    frameHidden_ = true;
    const QPoint at = screen_->mapToGlobal(QPoint(0, 0));
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (alwaysOnTop_) flags |= Qt::WindowStaysOnTopHint;
    screen_->setParent(nullptr, flags);
    screen_->addActions(actions());
    screen_->move(at);
    screen_->show();
    hide();
    if (remind) prompter_.Remind(screen_, text::kHideFrameHint, text::kInformation, ReminderForm::kSmall);
    return;
  }
  frameHidden_ = false;
  dragMode_ = false;
  screen_->SetDragMode(false);
  for (QAction* action : actions()) screen_->removeAction(action);
  screen_->setParent(screenHolder_, Qt::Widget);
  static_cast<QVBoxLayout*>(screenHolder_->layout())->addWidget(screen_, 0, Qt::AlignCenter);
  screen_->show();
  show();
  FitToPicture();
}

void CMainFrame::ToggleDrag() {
  dragMode_ = !dragMode_;
  screen_->SetDragMode(dragMode_);
}

void CMainFrame::ChooseStyle(int number) {
  (void)store_.SetInt(setting::kWindowStyle, number);
  ShowMessage(LoadText(text::kStyleChangeNotice), false);
}

void CMainFrame::TickFigures() {
  const auto now = std::chrono::steady_clock::now();
  if (takeCounters_) {
    const app::ScreenCounters counters = takeCounters_();
    figures_.AddTraffic(counters.images, counters.wireBytes);
  }
  const app::Figures f = figures_.Take(now - figuresSince_);
  figuresSince_ = now;
  const bool live = link_.IsConnected() && takeCounters_;
  figuresPane_->setVisible(live);
  statePane_->setVisible(!live);  // the figures say it is connected, in a narrow status bar
  statePane_->setToolTip(StateText());
  if (live)
    figuresPane_->setText(FormatText(text::kLiveFigures, QStringList{QString::number(f.imagesPerSecond),
                                                                      QString::number(f.kilobytesPerSecond),
                                                                      f.latencyMs < 0 ? QStringLiteral("-") : QString::number(f.latencyMs)}));
}

void CMainFrame::SaveBars() {
  auto write = [this](int id, const BarPlacement& at) {
    const int values[] = {at.left, at.top, at.visible ? 1 : 0, at.floating ? 1 : 0, at.width, at.height};
    for (int i = 0; i < 6; ++i)
      (void)store_.WriteInt(QStringLiteral("State"), QStringLiteral("%1%2").arg(id).arg(102 + i), values[i]);
  };
  write(150, mainDock_->Placement());
  write(149, resourcesDock_->Placement());
  const QRect menu = menuBar()->geometry();  // the menu bar stays at the top
  write(128, {menu.left(), menu.top(), true, false, menu.width(), menu.height()});
}

void CMainFrame::RestoreBars() {
  auto read = [this](int id) {
    auto value = [&](int n, int fallback) {
      return store_.ReadInt(QStringLiteral("State"), QStringLiteral("%1%2").arg(id).arg(n), fallback);
    };
    return BarPlacement{value(102, 0), value(103, 0), value(104, 1) != 0, value(105, 0) != 0, value(106, 0), value(107, 0)};
  };
  // Where the picture stands while every bar is at the top: the reference for the sides.
  layout()->activate();
  const QRect picture = centralWidget()->geometry();
  mainDock_->Restore(read(150), picture);
  resourcesDock_->Restore(read(149), picture);
}

}  // namespace mirrodex
