// The frame's command table, menus, bars and tray: one table of commands drives them all.
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

#include "desktop/app/DeviceLink.h"
#include "desktop/resources/HelpPages.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/BarDock.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CaptureControl.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/LockKeyPanes.h"
#include "desktop/shell/ResourceMeter.h"
#include "desktop/shell/ScreenshotCommands.h"
#include "desktop/shell/dialogs/AboutDialog.h"
#include "desktop/shell/dialogs/DeviceAppsDialog.h"
#include "desktop/shell/dialogs/HelpWindow.h"
#include "desktop/shell/dialogs/ProfileDialog.h"

namespace mirrodex {
namespace {

void Disable(CommandState& s) { s.enabled = false; }

}  // namespace

void CMainFrame::CreateCommands() {
  commands_ = new CommandTable(this);
  auto connected = [this] { return link_.IsConnected(); };
  auto add = [this](CommandDefinition definition) { addAction(commands_->Add(std::move(definition))); };

  const QIcon stopIcon = LoadIcon(Icon::kStop);
  add({cmd::kStart, "Start", {QKeySequence(Qt::Key_F5)}, LoadIcon(Icon::kStart), true, [this] { OnStart(); },
       [this, connected, stopIcon](CommandState& s) {
         s.checked = connected();
         if (s.checked) s.icon = stopIcon;
         s.text = s.checked ? QStringLiteral("Stop") : QStringLiteral("Start");
         s.enabled = !startGuard_;
       }});
  add({cmd::kCaptureVideo, "Capture Video", {}, LoadIcon(Icon::kCaptureVideo), true, [this] { capture_->Toggle(); },
       [this](CommandState& s) { capture_->Update(s); }});
  add({cmd::kScreenShot, "Screen Shot", {QKeySequence(Qt::CTRL | Qt::Key_S)}, LoadIcon(Icon::kScreenShot), false,
       [this] { screenshots_->ScreenShot(); }, {}});
  add({cmd::kQuickScreenShot, "Quick Screen Shot", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, {}, false,
       [this] { screenshots_->QuickScreenShot(); }, {}});
  add({cmd::kInstallDeviceApp, "Install Device App", {}, {}, false, {}, Disable});
  add({cmd::kExit, "Exit", {}, {}, false, [this] { close(); }, {}});
  add({cmd::kCopyToDevice, "Copy To Device Clipboard",
       {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}, LoadIcon(Icon::kCopyToDevice),
       false, [this] { services_->CopyToDevice(); },
       [this, connected](CommandState& s) { s.enabled = connected() && !services_->Busy(); }});
  add({cmd::kCopyFromDevice, "Copy From Device Clipboard",
       {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}, LoadIcon(Icon::kCopyFromDevice),
       false, [this] { services_->CopyFromDevice(); },
       [this, connected](CommandState& s) { s.enabled = connected() && !services_->Busy(); }});
  add({cmd::kFileManager, "File Manager", {}, LoadIcon(Icon::kFileManager), false,
       [this] {
         if (openFileManager_) openFileManager_(this);
       },
       [this, connected](CommandState& s) { s.enabled = connected() && openFileManager_ != nullptr; }});
  add({cmd::kDeviceApps, "Device Apps", {}, LoadIcon(Icon::kDeviceApps), false, [this] { OpenDeviceApps(); },
       [connected](CommandState& s) { s.enabled = connected(); }});
  add({cmd::kZoom, "Zoom X 2", {QKeySequence(Qt::CTRL | Qt::Key_2)}, LoadIcon(Icon::kZoom), true,
       [this] { ToggleZoom(); }, [this](CommandState& s) { s.checked = zoom_ == 2; }});
  add({cmd::kHideFrame, "Hide Frame", {QKeySequence(Qt::CTRL | Qt::Key_F)}, LoadIcon(Icon::kHideFrame), true,
       [this] { ToggleHideFrame(); },
       [this, connected](CommandState& s) {
         s.checked = frameHidden_;
         s.enabled = frameHidden_ || connected();
       }});
  add({cmd::kAlwaysOnTop, "Always On Top", {QKeySequence(Qt::CTRL | Qt::Key_T)}, LoadIcon(Icon::kAlwaysOnTop), true,
       [this] { ToggleAlwaysOnTop(); }, [this](CommandState& s) { s.checked = alwaysOnTop_; }});
  add({cmd::kPauseVideo, "Pause Video", {}, LoadIcon(Icon::kPauseVideo), false, [this] { TogglePause(); },
       [this, connected](CommandState& s) {
         s.enabled = connected();
         s.text = LoadText(videoPaused_ ? text::kResumeVideo : text::kPauseVideo);
       }});
  add({cmd::kHideWindow, "Hide Window", {}, {}, false, [this] { ToggleHideWindow(); },
       [this](CommandState& s) { s.text = LoadText(windowHidden_ ? text::kShowWindow : text::kHideWindow); }});
  add({cmd::kStartDrag, "Start Drag", {}, {}, false, [this] { ToggleDrag(); },
       [this](CommandState& s) {
         s.enabled = frameHidden_;
         s.text = dragMode_ && frameHidden_ ? LoadText(text::kEndDrag) : QStringLiteral("Start Drag");
       }});
  add({cmd::kInterlacing, "Interlacing", {}, {}, true, [this] { interlace_ = !interlace_; },
       [this](CommandState& s) { s.checked = interlace_; }});
  add({cmd::kDeviceResources, "Device Resources", {}, LoadIcon(Icon::kDeviceResources), true,
       [this] { services_->ToggleStatus(link_.IsConnected() && link_.ConnectedInfo().platform != 1); },
       [this, connected](CommandState& s) {
         s.enabled = connected() && link_.ConnectedInfo().platform != 1;
         s.checked = services_->StatusRunning();
       }});
  add({cmd::kProfiles, "Profiles", {}, LoadIcon(Icon::kProfiles), false, [this] { OpenProfiles(); },
       [this](CommandState& s) { s.enabled = !startGuard_; }});
  add({cmd::kHelp, "Help", {}, LoadIcon(Icon::kHelp), false,
       [this] { HelpWindow::ShowTopic(QString::fromLatin1(help::kMainTopic), this); }, {}});
  add({cmd::kAbout, "About", {}, {}, false, [this] {
         auto* about = new AboutDialog(this);
         about->setAttribute(Qt::WA_DeleteOnClose);
         about->open();
       }, {}});
  add({cmd::kChooseProfile, "Choose Profile", {}, LoadIcon(Icon::kProfiles), false, [this] { ShowProfileMenu(); },
       [this](CommandState& s) { s.enabled = !startGuard_; }});
  const std::pair<int, int> styles[] = {{cmd::kStyleOffice2003, 8}, {cmd::kStyleIcy, 6}, {cmd::kStyleXpReBars, 0}, {cmd::kStyleXp, 2}};
  const char* styleNames[] = {"Office 2003 Style", "Icy Style", "XP Re-Bars Style", "XP Style"};
  for (int i = 0; i < 4; ++i) {
    const int number = styles[i].second;
    add({styles[i].first, styleNames[i], {}, {}, true, [this, number] { ChooseStyle(number); },
         [this, number](CommandState& s) { s.checked = store_.GetInt(setting::kWindowStyle) == number; }});
  }
}

QMenu* CMainFrame::BuildPopup(QWidget* parent, std::initializer_list<int> ids) {
  auto* menu = new QMenu(parent);
  for (int id : ids) {
    if (id == 0)
      menu->addSeparator();
    else
      menu->addAction(commands_->Action(id));
  }
  connect(menu, &QMenu::aboutToShow, commands_, &CommandTable::UpdateAll);
  return menu;
}

void CMainFrame::CreateMenus() {
  QMenuBar* bar = menuBar();
  auto addMenu = [&](const QString& title, std::initializer_list<int> ids) {
    QMenu* menu = BuildPopup(bar, ids);
    menu->setTitle(title);
    bar->addMenu(menu);
    return menu;
  };
  addMenu("&File", {cmd::kStart, 0, cmd::kCaptureVideo, cmd::kScreenShot, 0, cmd::kInstallDeviceApp, 0, cmd::kExit});
  addMenu("&Edit", {cmd::kCopyToDevice, cmd::kCopyFromDevice});
  addMenu("&Tools", {cmd::kFileManager, cmd::kDeviceApps, cmd::kDeviceResources, 0, cmd::kProfiles});
  QMenu* view = addMenu("&View", {cmd::kZoom, cmd::kHideFrame, cmd::kAlwaysOnTop, 0, cmd::kPauseVideo,
                                   cmd::kHideWindow, cmd::kInterlacing, 0});
  QMenu* styles = BuildPopup(view, {cmd::kStyleOffice2003, cmd::kStyleIcy, cmd::kStyleXpReBars, cmd::kStyleXp});
  styles->setTitle("Windows Style");
  addMenu("&Help", {cmd::kHelp, 0, cmd::kAbout});
  // The bars' own show/hide entries follow below, once the bars exist.
  view->setObjectName(QStringLiteral("ViewMenu"));
  view->setProperty("stylesMenu", QVariant::fromValue(static_cast<QObject*>(styles)));
}

void CMainFrame::CreateBars() {
  mainBar_ = new QToolBar(LoadText(text::kMainToolBarTitle), this);
  mainBar_->setObjectName(QStringLiteral("MainToolBar"));
  mainBar_->addAction(commands_->Action(cmd::kStart));
  profileButton_ = new QToolButton(mainBar_);
  profileButton_->setDefaultAction(commands_->Action(cmd::kChooseProfile));
  profileButton_->setToolTip(QStringLiteral("Choose the connection profile"));
  mainBar_->addWidget(profileButton_);
  for (int id : {cmd::kFileManager, cmd::kDeviceApps, cmd::kScreenShot, cmd::kCaptureVideo, cmd::kHelp})
    mainBar_->addAction(commands_->Action(id));

  resourcesBar_ = new QToolBar(LoadText(text::kResourcesBarTitle), this);
  resourcesBar_->setObjectName(QStringLiteral("ResourcesBar"));
  battery_ = new ResourceMeter(text::kBatteryMeter, RenderIcon(Icon::kBattery, {16, 16}), QColor(kBatteryMeterColor), resourcesBar_);
  memory_ = new ResourceMeter(text::kMemoryMeter, RenderIcon(Icon::kMemory, {16, 16}), QColor(kMemoryMeterColor), resourcesBar_);
  resourcesBar_->addWidget(battery_);
  resourcesBar_->addWidget(memory_);
  resourcesBar_->addAction(commands_->Action(cmd::kDeviceResources));
  mainDock_ = new BarDock(mainBar_, Qt::AllDockWidgetAreas, this);
  resourcesDock_ = new BarDock(resourcesBar_, Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea, this);
  addDockWidget(Qt::TopDockWidgetArea, mainDock_, Qt::Vertical);
  addDockWidget(Qt::TopDockWidgetArea, resourcesDock_, Qt::Vertical);

  auto barToggle = [this](int id, const QString& text, QWidget* bar) {
    commands_->Add({id, text, {}, {}, true, [this, bar] {
                      bar->setVisible(!bar->isVisible());
                      if (bar == resourcesDock_ && bar->isHidden()) services_->StatusOff();
                      FitToPicture();
                    },
                    [bar](CommandState& s) { s.checked = !bar->isHidden(); }});
  };
  barToggle(cmd::kMainToolBar, QStringLiteral("Main ToolBar"), mainDock_);
  barToggle(cmd::kResourceToolBar, QStringLiteral("Resource ToolBar"), resourcesDock_);
  barToggle(cmd::kStatusBar, QStringLiteral("Status Bar"), statusBar());
  QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("ViewMenu"));
  for (int id : {cmd::kMainToolBar, cmd::kResourceToolBar, cmd::kStatusBar}) view->addAction(commands_->Action(id));
  view->addSeparator();
  view->addMenu(qobject_cast<QMenu*>(view->property("stylesMenu").value<QObject*>()));

  statePane_ = new QLabel(statusBar());
  statePane_->setObjectName(QStringLiteral("StatePane"));
  statusBar()->addWidget(statePane_, 1);
  figuresPane_ = new QLabel(statusBar());
  figuresPane_->setObjectName(QStringLiteral("FiguresPane"));
  figuresPane_->setToolTip(QStringLiteral("Connected: images per second, kilobytes per second on the wire, and the time from a complete picture to its paint"));
  statusBar()->addPermanentWidget(figuresPane_);
  figuresPane_->hide();
  lockPanes_ = new LockKeyPanes({}, statusBar());
  statusBar()->addPermanentWidget(lockPanes_);
  statusBar()->setSizeGripEnabled(false);
}

void CMainFrame::CreateTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(LoadIcon(Icon::kTray), this);
  tray_->setToolTip(LoadText(text::kAppTitle));
  trayMenu_ = BuildPopup(this, {cmd::kProfiles, cmd::kFileManager, cmd::kDeviceApps, cmd::kInstallDeviceApp, 0,
                                cmd::kPauseVideo, cmd::kHideWindow, 0, cmd::kHelp, cmd::kExit});
  trayMenu_->setTitle(QStringLiteral("TaskBar"));
  trayMenu_->insertSection(trayMenu_->actions().value(0), LoadText(text::kAppTitle));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) {
      if (!windowHidden_) Raise();  // a hidden window stays hidden until Show Window
      trayMenu_->popup(QCursor::pos());
    }
  });
  tray_->show();
}

void CMainFrame::OpenProfiles() {
  ProfileDialog dialog(store_, defaultPlatform_, prompter_, this);
  dialog.exec();
  // Names may have come or gone: find the current profile again, else keep the stored index.
  const QStringList profiles = store_.ListProfiles();
  const int index = static_cast<int>(profiles.indexOf(profileName_));
  OnSelectProfile(index >= 0 ? index : std::min<int>(store_.GetInt(setting::kCurrentProfile), static_cast<int>(profiles.size()) - 1));
}

void CMainFrame::OpenDeviceApps() {
  if (!link_.IsConnected()) return;
  auto* dialog = new DeviceAppsDialog(runner_, prompter_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void CMainFrame::ShowContextMenu(QPoint global) {
  QMenu* menu = BuildPopup(this, {cmd::kCaptureVideo, cmd::kScreenShot, 0});
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QMenu* edit = BuildPopup(menu, {cmd::kCopyToDevice, cmd::kCopyFromDevice});
  edit->setTitle(QStringLiteral("Edit"));
  QMenu* view = BuildPopup(menu, {cmd::kZoom, cmd::kAlwaysOnTop, cmd::kMainToolBar, cmd::kStatusBar});
  view->setTitle(QStringLiteral("View"));
  menu->addMenu(edit);
  menu->addMenu(view);
  menu->addSeparator();
  for (int id : {cmd::kHideFrame, cmd::kStartDrag, cmd::kPauseVideo}) menu->addAction(commands_->Action(id));
  menu->addSeparator();
  menu->addAction(commands_->Action(cmd::kExit));
  menu->popup(global);
}

void CMainFrame::ShowProfileMenu() {
  QStringList profiles = store_.ListProfiles();
  if (profiles.isEmpty()) profiles << LoadText(text::kDefaultProfileName);
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const int current = store_.GetInt(setting::kCurrentProfile);
  for (int i = 0; i < profiles.size() && i <= cmd::kLastProfileEntry - cmd::kFirstProfileEntry; ++i) {
    QAction* entry = menu->addAction(profiles[i], this, [this, i] { OnSelectProfile(i); });
    entry->setCheckable(true);
    entry->setChecked(profiles[i] == profileName_ || (i == current && !profiles.contains(profileName_)));
    entry->setData(cmd::kFirstProfileEntry + i);
    if (i == current) menu->setDefaultAction(entry);
  }
  const QWidget* anchor = profileButton_->isVisible() ? static_cast<QWidget*>(profileButton_) : screen_;
  menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

}  // namespace mirrodex
