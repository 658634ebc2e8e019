#include "desktop/files/explorer/CPDAExplorer.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <memory>

#include "desktop/files/FileTexts.h"
#include "desktop/files/explorer/ButtonSplitter.h"
#include "desktop/files/explorer/ExplorerIcons.h"
#include "desktop/files/explorer/ExplorerPane.h"
#include "desktop/files/explorer/ExplorerTexts.h"
#include "desktop/files/explorer/ExplorerWorker.h"
#include "desktop/files/explorer/FileIcons.h"
#include "desktop/files/explorer/FileTree.h"
#include "desktop/files/explorer/PcRoots.h"
#include "desktop/files/explorer/ReplacingCopy.h"
#include "desktop/files/explorer/WaitDialog.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/dialogs/HelpWindow.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {
namespace {

constexpr int kWindowSetting = 1038;
constexpr int kLeftPaneSetting = 1039;
constexpr int kRightPaneSetting = 1040;
constexpr int kDefaultPaneSize = 400;
constexpr int kLastNumberedFolder = 99;

QPointer<CPDAExplorer> gCurrent;

std::string Std(const QString& text) {
  return text.toStdString();
}
QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString LeafOf(const QString& path, QChar separator) {
  return path.mid(path.lastIndexOf(separator) + 1);
}

QString SizeAndDate(const QString& size, const QString& date) {
  return size + " - " + date;
}

// A folder listing in which an empty device folder (which the device refuses to list) has no
// entries rather than failing.
FileResult ListAllowingEmpty(FileSource& source, const std::string& path,
                             std::vector<FileEntry>& entries) {
  FileResult listed = source.ListFolder(path, entries);
  if (!listed && source.IsDevice() && listed.kind == FileResult::Kind::kRefused) {
    entries.clear();
    return FileResult::Ok();
  }
  return listed;
}

QTreeWidgetItem* FindByPath(FileTree* tree, const QString& path) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if (FileTree::PathOf(*it) == path) return *it;
  }
  return nullptr;
}

}  // namespace

CPDAExplorer* CPDAExplorer::ShowOrRaise(const Services& services, QWidget* owner) {
  if (gCurrent) {
    gCurrent->showNormal();
    gCurrent->raise();
    gCurrent->activateWindow();
    return gCurrent;
  }
  auto* window = new CPDAExplorer(services, owner);
  window->show();
  window->Refresh();
  return window;
}

CPDAExplorer* CPDAExplorer::Current() {
  return gCurrent;
}

bool CPDAExplorer::CloseCurrent(int timeoutMs) {
  if (CPDAExplorer* window = gCurrent) {
    window->joinWorker_ = true;
    window->close();
    delete window;  // the deferred deletion close() queued goes with it
  }
  return ExplorerWorker::WaitForThreads(timeoutMs);
}

CPDAExplorer::CPDAExplorer(const Services& services, QWidget* owner)
    : QMainWindow(owner, Qt::Window), services_(services) {
  gCurrent = this;
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("fileManager");
  setWindowTitle(explorer_text::kCaption);
  icons_ = new FileIcons;
  worker_ = new ExplorerWorker(*services.dispatcher, services.sender, services.timeoutCapMs, this);
  connect(worker_, &ExplorerWorker::busyChanged, this, [this](bool working) {
    UpdateCommands();
    if (!working) {
      wait_->Finish();
      emit idle();
    }
  });
  wait_ = new WaitDialog(this);
  connect(wait_, &WaitDialog::stopRequested, worker_, &ExplorerWorker::RequestStop);

  splitter_ = new ButtonSplitter(this);
  localPane_ = new ExplorerPane(false, *icons_, splitter_);
  devicePane_ = new ExplorerPane(true, *icons_, splitter_);
  splitter_->addWidget(localPane_);
  splitter_->addWidget(devicePane_);
  setCentralWidget(splitter_);
  ConnectTree(localPane_);
  ConnectTree(devicePane_);
  activeTree_ = DeviceTree();
  ButtonSplitterHandle* bar = splitter_->Bar();
  connect(bar->ToDevice(), &QToolButton::clicked, this, &CPDAExplorer::CopyToDevice);
  connect(bar->FromDevice(), &QToolButton::clicked, this, &CPDAExplorer::CopyFromDevice);
  connect(bar->Refresh(), &QToolButton::clicked, this, &CPDAExplorer::Refresh);
  connect(localPane_, &ExplorerPane::rootChosen, this,
          [this](const QString& path) { ShowRoot(LocalTree(), path); });
  connect(devicePane_, &ExplorerPane::rootChosen, this,
          [this](const QString& path) { ShowRoot(DeviceTree(), path); });

  BuildMenus();
  BuildStatusBar();
  RestorePlacement();
  UpdateCommands();
}

CPDAExplorer::~CPDAExplorer() {
  // The continuations and progress reports still to come would find the window gone: the
  // worker drops them. A closing user does not wait for a device that is slow to answer; a
  // program that ends waits (CloseCurrent), since the dispatcher goes after the window.
  if (joinWorker_) {
    delete worker_;
  } else {
    worker_->Abandon();
  }
  worker_ = nullptr;
  delete icons_;
}

FileTree* CPDAExplorer::LocalTree() const {
  return localPane_->Tree();
}
FileTree* CPDAExplorer::DeviceTree() const {
  return devicePane_->Tree();
}
FileTree* CPDAExplorer::Other(FileTree* tree) const {
  return tree == LocalTree() ? DeviceTree() : LocalTree();
}
FileTree* CPDAExplorer::ActiveTree() const {
  return activeTree_ ? activeTree_.data() : DeviceTree();
}
QAction* CPDAExplorer::Action(Command command) const {
  return actions_[static_cast<size_t>(command)];
}
bool CPDAExplorer::IsWorking() const {
  return worker_->Pending() > 0;
}
QString CPDAExplorer::SizePane() const {
  return sizePane_->text();
}
QString CPDAExplorer::DatePane() const {
  return datePane_->text();
}
QString CPDAExplorer::RatePane() const {
  return ratePane_->text();
}
QString CPDAExplorer::MessagePane() const {
  return messagePane_->text();
}

void CPDAExplorer::BuildMenus() {
  auto add = [this](Command command, const char* text, ExplorerIconKind icon, QKeySequence keys,
                    std::function<void()> run) {
    auto* action = new QAction(ExplorerIcon(icon), text, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    actions_.resize(std::max(actions_.size(), static_cast<size_t>(command) + 1));
    actions_[static_cast<size_t>(command)] = action;
    return action;
  };
  QAction* newFolder =
      add(Command::kNewFolder, explorer_text::kNewFolder, ExplorerIconKind::kNewFolder,
          QKeySequence("Ctrl+Shift+N"), [this] { NewFolder(ActiveTree()); });
  QAction* remove = add(Command::kDelete, explorer_text::kDelete, ExplorerIconKind::kDelete,
                        QKeySequence(), [this] { Delete(ActiveTree()); });
  QAction* rename = add(Command::kRename, explorer_text::kRename, ExplorerIconKind::kRename,
                        QKeySequence(Qt::Key_F2), [this] { Rename(ActiveTree()); });
  QAction* from =
      add(Command::kCopyFromDevice, explorer_text::kCopyFromDevice,
          ExplorerIconKind::kCopyFromDevice, QKeySequence(), [this] { CopyFromDevice(); });
  QAction* to = add(Command::kCopyToDevice, explorer_text::kCopyToDevice,
                    ExplorerIconKind::kCopyToDevice, QKeySequence(), [this] { CopyToDevice(); });
  QAction* refresh = add(Command::kRefresh, explorer_text::kRefresh, ExplorerIconKind::kRefresh,
                         QKeySequence(QKeySequence::Refresh), [this] { Refresh(); });
  QAction* help = add(Command::kHelp, explorer_text::kHelp, ExplorerIconKind::kHelp,
                      QKeySequence(QKeySequence::HelpContents), [this] { ShowHelp(); });

  QMenu* file = menuBar()->addMenu(explorer_text::kFileMenu);
  file->addActions({newFolder, remove, rename});
  file->addSeparator();
  file->addActions({from, to});
  menuBar()->addMenu(explorer_text::kViewMenu)->addAction(refresh);
  menuBar()->addMenu(explorer_text::kHelpMenu)->addAction(help);

  QToolBar* tools = addToolBar(explorer_text::kToolBar);
  tools->setObjectName("fileManagerToolBar");
  tools->setMovable(false);
  tools->setIconSize({20, 20});
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->addActions({newFolder, remove, rename, refresh});
  tools->addSeparator();
  tools->addActions({to, from});
}

void CPDAExplorer::BuildStatusBar() {
  messagePane_ = new QLabel(this);
  messagePane_->setObjectName("messagePane");
  statusBar()->addWidget(messagePane_, 1);
  auto pane = [this](int tipId, const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setFixedWidth(100);
    label->setToolTip(LoadText(tipId));
    statusBar()->addPermanentWidget(label);
    return label;
  };
  sizePane_ = pane(text::kFileSizePane, "sizePane");
  datePane_ = pane(text::kFileDatePane, "datePane");
  ratePane_ = pane(text::kTransferRatePane, "ratePane");
}

void CPDAExplorer::ConnectTree(ExplorerPane* pane) {
  FileTree* tree = pane->Tree();
  tree->installEventFilter(this);
  connect(tree, &FileTree::listingNeeded, this,
          [this, tree](QTreeWidgetItem* folder) { List(tree, folder); });
  connect(tree, &FileTree::renameRequested, this,
          [this, tree](QTreeWidgetItem* item, const QString& oldName, const QString& newName) {
            OnRenameRequested(tree, item, oldName, newName);
          });
  connect(tree, &FileTree::deleteKeyReleased, this, [this, tree] { Delete(tree); });
  connect(tree, &FileTree::fileDoubleClicked, this, [this, tree](QTreeWidgetItem*) {
    if (tree->IsDevice()) {
      CopyFromDevice();
    } else {
      CopyToDevice();
    }
  });
  connect(
      tree, &FileTree::dropped, this,
      [this, tree](const QMimeData* data, QTreeWidgetItem* folder) { Drop(tree, data, folder); });
  connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, tree] {
    ShowSelectionInfo(tree);
    UpdateCommands();
  });
  connect(tree, &QTreeWidget::currentItemChanged, this, [this] { UpdateCommands(); });
  connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& at) {
    QTreeWidgetItem* item = tree->itemAt(at);
    if (item && !item->isSelected()) tree->setCurrentItem(item);
    activeTree_ = tree;
    QMenu menu(this);
    QAction* copy =
        menu.addAction(explorer_text::kCopy, this, [this, tree] { CopySelection(tree); });
    copy->setEnabled(!busy_ && !tree->SelectedFiles().isEmpty());
    QAction* paste = menu.addAction(explorer_text::kPaste, this,
                                    [this, tree] { Paste(tree, tree->CurrentFolder()); });
    paste->setEnabled(!busy_ && !tree->Clipboard().isEmpty() && tree->CurrentFolder());
    menu.addSeparator();
    menu.addActions(
        {Action(Command::kNewFolder), Action(Command::kRename), Action(Command::kDelete)});
    menu.addSeparator();
    menu.addAction(Action(Command::kRefresh));
    menu.exec(tree->viewport()->mapToGlobal(at));
  });
  connect(pane, &ExplorerPane::deleteClicked, this, [this, tree] { Delete(tree); });
  connect(pane, &ExplorerPane::renameClicked, this, [this, tree] { Rename(tree); });
  connect(pane, &ExplorerPane::newFolderClicked, this, [this, tree] { NewFolder(tree); });
}

bool CPDAExplorer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* tree = qobject_cast<FileTree*>(watched)) {
      activeTree_ = tree;
      UpdateCommands();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CPDAExplorer::RestorePlacement() {
  CSettingsStore& store = *services_.store;
  const auto read = [&](const char* letter, int id, int fallback) {
    return store.ReadInt("State", QString("%1%2").arg(letter).arg(id), fallback);
  };
  int width = read("W", kWindowSetting, 0);
  int height = read("H", kWindowSetting, 0);
  if (width <= 0 || height <= 0) {
    width = 800;
    height = 400;
  }
  QPoint at(read("X", kWindowSetting, 20), read("Y", kWindowSetting, 20));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    width = std::min(width, area.width());
    height = std::min(height, area.height());
    if (!area.intersects(QRect(at, QSize(width, height)).adjusted(40, 40, -40, -40)))
      at = area.topLeft() + QPoint(20, 20);
  }
  resize(width, height);
  move(at);
  const int left = read("W", kLeftPaneSetting, kDefaultPaneSize);
  const int right = read("W", kRightPaneSetting, kDefaultPaneSize);
  splitter_->setSizes({left > 0 ? left : kDefaultPaneSize, right > 0 ? right : kDefaultPaneSize});
}

void CPDAExplorer::SavePlacement() {
  CSettingsStore& store = *services_.store;
  const QRect frame = geometry();
  bool stored = store.WriteInt("State", QString("X%1").arg(kWindowSetting), pos().x()) &&
                store.WriteInt("State", QString("Y%1").arg(kWindowSetting), pos().y()) &&
                store.WriteInt("State", QString("W%1").arg(kWindowSetting), frame.width()) &&
                store.WriteInt("State", QString("H%1").arg(kWindowSetting), frame.height());
  const int ids[] = {kLeftPaneSetting, kRightPaneSetting};
  const ExplorerPane* panes[] = {localPane_, devicePane_};
  for (int i = 0; i < 2; ++i) {
    stored = store.WriteInt("State", QString("W%1").arg(ids[i]), panes[i]->width()) && stored;
    stored = store.WriteInt("State", QString("H%1").arg(ids[i]), panes[i]->height()) && stored;
  }
  if (!stored)
    qWarning("file manager: cannot store its placement in %s", qPrintable(store.FileName()));
}

void CPDAExplorer::closeEvent(QCloseEvent* event) {
  worker_->RequestStop();  // a running copy ends after its current block
  SavePlacement();
  wait_->Finish();
  QMainWindow::closeEvent(event);
}

void CPDAExplorer::UpdateCommands() {
  const bool free = !busy_ && worker_ && worker_->Pending() == 0;
  FileTree* tree = ActiveTree();
  QTreeWidgetItem* current = tree->currentItem();
  const bool hasItem = current && FileTree::KindOf(current) != ItemKind::kRoot;
  Action(Command::kNewFolder)->setEnabled(free && tree->CurrentFolder());
  Action(Command::kDelete)->setEnabled(free && (hasItem || !tree->SelectedFiles().isEmpty()));
  Action(Command::kRename)->setEnabled(free && hasItem);
  Action(Command::kCopyFromDevice)
      ->setEnabled(free && LocalTree()->CurrentFolder() &&
                   !DeviceTree()->SelectedFiles().isEmpty());
  Action(Command::kCopyToDevice)
      ->setEnabled(free && DeviceTree()->CurrentFolder() &&
                   !LocalTree()->SelectedFiles().isEmpty());
  Action(Command::kRefresh)->setEnabled(!busy_);
  Action(Command::kHelp)->setEnabled(true);
}

void CPDAExplorer::SetBusy(bool busy) {
  busy_ = busy;
  centralWidget()->setEnabled(!busy);
  UpdateCommands();
}

void CPDAExplorer::Tell(int textId, const QString& argument) {
  services_.prompter->Tell(this,
                           argument.isEmpty() ? LoadText(textId) : FormatText(textId, argument),
                           textId == text::kCommunicationFailed ||
                                   textId == text::kErrorCreatingFile || textId == text::kCopyError
                               ? PromptIcon::kError
                               : PromptIcon::kInformation);
}

bool CPDAExplorer::Ask(int textId, const QString& argument) {
  return services_.prompter->Ask(
      this, FormatText(textId, argument),
      textId == text::kConfirmDelete ? PromptIcon::kQuestion : PromptIcon::kWarning);
}

// --- Listing -------------------------------------------------------------------------------

void CPDAExplorer::Refresh() {
  if (busy_) return;
  sizePane_->clear();
  datePane_->clear();
  FillLocalRoots();
  ShowRoot(LocalTree(), localPane_->Roots()->currentData().toString());
  RefreshDevice();
}

void CPDAExplorer::FillLocalRoots() {
  QComboBox* list = localPane_->Roots();
  const QString chosen = list->currentData().toString();
  list->clear();
  for (const PcRoot& root : ListPcRoots())
    list->addItem(icons_->ForLocalRoot(root.path), root.text, root.path);
  const int keep = chosen.isEmpty() ? -1 : list->findData(chosen);
  if (keep >= 0) {
    list->setCurrentIndex(keep);
  } else if (!chosen.isEmpty()) {
    list->insertItem(0, icons_->Folder(), chosen, chosen);  // a folder opened by OpenLocalFolder
    list->setCurrentIndex(0);
  } else {
    list->setCurrentIndex(0);
  }
}

void CPDAExplorer::OpenLocalFolder(const QString& path) {
  QComboBox* list = localPane_->Roots();
  int index = list->findData(path);
  if (index < 0) {
    list->insertItem(0, icons_->Folder(), path, path);
    index = 0;
  }
  list->setCurrentIndex(index);
  ShowRoot(LocalTree(), path);
}

void CPDAExplorer::ShowRoot(FileTree* tree, const QString& path) {
  if (path.isEmpty()) {
    tree->clear();
    return;
  }
  QTreeWidgetItem* root = tree->SetRoot(path);
  tree->setCurrentItem(root);
  tree->expandItem(root);  // lists it
}

void CPDAExplorer::RefreshDevice() {
  QComboBox* list = devicePane_->Roots();
  list->clear();
  list->setEnabled(false);
  DeviceTree()->clear();
  worker_->Run([this](ExplorerSources& sources) -> std::function<void()> {
    std::vector<DeviceRoot> roots;
    const FileResult listed = sources.device.ListRoots(roots);
    return [this, listed, roots] {
      QComboBox* list = devicePane_->Roots();
      if (!listed) {
        messagePane_->setText(explorer_text::kNoDevice + QString(": ") + Q(listed.Describe()));
        return;
      }
      messagePane_->clear();
      for (const DeviceRoot& root : roots) {
        const QString text = Q(root.text);
        list->addItem(icons_->DeviceRoot(), text, text.endsWith('\\') ? text : text + "\\");
      }
      if (list->count() >= 2) {
        list->setCurrentIndex(1);
        list->setEnabled(true);
      } else {
        list->setCurrentIndex(0);
      }
      ShowRoot(DeviceTree(), list->currentData().toString());
    };
  });
}

void CPDAExplorer::List(FileTree* tree, QTreeWidgetItem* folder) {
  const QString path = FileTree::PathOf(folder);
  const bool device = tree->IsDevice();
  wait_->Begin(false);
  worker_->Run([this, tree, path, device](ExplorerSources& sources) -> std::function<void()> {
    std::vector<FileEntry> entries;
    const FileResult listed = ListAllowingEmpty(sources.Side(device), Std(path), entries);
    const double rate = sources.device.BestRate();
    return [this, tree, path, device, listed, entries = std::move(entries), rate]() mutable {
      QTreeWidgetItem* folder = FindByPath(tree, path);
      if (!folder || !FileTree::IsFolderLike(folder)) return;  // refilled meanwhile
      if (!listed) {
        tree->Forget(folder);
        messagePane_->setText(path + ": " + Q(listed.Describe()));
        return;
      }
      tree->Fill(folder, std::move(entries));
      if (device) ShowRate(rate);
    };
  });
}

void CPDAExplorer::Relist(FileTree* tree, const QString& folderPath) {
  QTreeWidgetItem* folder = FindByPath(tree, folderPath);
  if (!folder) return;
  tree->Forget(folder);
  tree->expandItem(folder);
}

void CPDAExplorer::ShowSelectionInfo(FileTree* tree) {
  QTreeWidgetItem* item = tree->currentItem();
  sizePane_->setText(item ? FileTree::SizeTextOf(item) : QString());
  datePane_->setText(item ? FileTree::DateTextOf(item) : QString());
}

void CPDAExplorer::ShowRate(double bytesPerSecond) {
  ratePane_->setText(QString(explorer_text::kRatePane).arg(bytesPerSecond / 1024.0, 0, 'f', 2));
}

// --- New folder, rename, delete ------------------------------------------------------------

void CPDAExplorer::NewFolder(FileTree* tree) {
  activeTree_ = tree;
  if (busy_ || IsWorking()) return;
  QTreeWidgetItem* folder = tree->CurrentFolder();
  if (!folder) return Tell(text::kSelectFolder);
  const QString path = FileTree::PathOf(folder);
  const bool device = tree->IsDevice();
  const QString base = LoadText(text::kNewFolder);
  const QString prefix = tree->Join(path, QString());  // the tree itself stays on this thread
  wait_->Begin(false);
  worker_->Run(
      [this, tree, path, prefix, device, base](ExplorerSources& sources) -> std::function<void()> {
        FileSource& side = sources.Side(device);
        std::vector<FileEntry> entries;
        FileResult result = ListAllowingEmpty(side, Std(path), entries);
        QString name;
        for (int number = 0; result && number <= kLastNumberedFolder && name.isEmpty(); ++number) {
          const QString candidate = number == 0 ? base : QString("%1 %2").arg(base).arg(number);
          const bool taken = std::any_of(entries.begin(), entries.end(), [&](const FileEntry& e) {
            return Q(e.name).compare(candidate, Qt::CaseInsensitive) == 0;
          });
          if (!taken) name = candidate;
        }
        if (result && name.isEmpty())
          result = FileResult::Local(FileResult::Kind::kRefused, EEXIST);
        if (result) result = side.CreateFolder(Std(prefix + name));
        if (result) result = ListAllowingEmpty(side, Std(path), entries);
        return [this, tree, path, name, result, entries = std::move(entries)]() mutable {
          QTreeWidgetItem* folder = FindByPath(tree, path);
          if (!result || !folder) return Tell(text::kCommunicationFailed);
          tree->Fill(folder, std::move(entries));
          tree->expandItem(folder);
          QTreeWidgetItem* created = tree->FindChild(folder, name);
          if (!created) return Tell(text::kCommunicationFailed);
          tree->clearSelection();
          tree->setCurrentItem(created);
          tree->scrollToItem(created);
          tree->editItem(created, FileTree::kNameColumn);  // so the user names it right away
        };
      });
}

void CPDAExplorer::Rename(FileTree* tree) {
  activeTree_ = tree;
  if (busy_ || IsWorking()) return;
  QTreeWidgetItem* item = tree->currentItem();
  if (!item || FileTree::KindOf(item) == ItemKind::kRoot) return Tell(text::kSelectFileOrFolder);
  tree->editItem(item, FileTree::kNameColumn);
}

void CPDAExplorer::OnRenameRequested(FileTree* tree, QTreeWidgetItem* item, const QString& oldName,
                                     const QString& newName) {
  if (newName.isEmpty() || newName == oldName) return;  // an empty text puts the old name back
  if (newName.contains(tree->Separator()) || newName == "." || newName == "..")
    return Tell(text::kCommunicationFailed);
  const QString from = FileTree::PathOf(item);
  const QString to = tree->Join(FileTree::PathOf(item->parent()), newName);
  const bool folder = FileTree::KindOf(item) == ItemKind::kFolder;
  const bool device = tree->IsDevice();
  worker_->Run([=, this](ExplorerSources& sources) -> std::function<void()> {
    FileSource& side = sources.Side(device);
    const FileResult renamed =
        folder ? side.RenameFolder(Std(from), Std(to)) : side.RenameFile(Std(from), Std(to));
    return [=, this] {
      QTreeWidgetItem* item = FindByPath(tree, from);
      if (!renamed) return Tell(text::kCommunicationFailed);
      if (item) tree->SetName(item, newName);
      ShowSelectionInfo(tree);
    };
  });
}

void CPDAExplorer::Delete(FileTree* tree) {
  activeTree_ = tree;
  if (busy_ || IsWorking()) return;
  QStringList files;
  QStringList folders;
  for (QTreeWidgetItem* item : tree->selectedItems()) {
    if (FileTree::KindOf(item) == ItemKind::kFile) files << FileTree::PathOf(item);
    if (FileTree::KindOf(item) == ItemKind::kFolder) folders << FileTree::PathOf(item);
  }
  if (files.isEmpty() && folders.isEmpty()) return Tell(text::kSelectFileOrFolder);
  const bool device = tree->IsDevice();
  // Folders are looked into first, hidden entries included: nothing is sent for one that is
  // not empty.
  wait_->Begin(false);
  worker_->Run([=, this](ExplorerSources& sources) -> std::function<void()> {
    FileResult looked = FileResult::Ok();
    QString full;
    for (const QString& folder : folders) {
      std::vector<FileEntry> entries;
      looked = ListAllowingEmpty(sources.Side(device), Std(folder), entries);
      if (!looked) break;
      if (!entries.empty()) {
        full = folder;
        break;
      }
    }
    return [=, this] {
      if (!looked) return Tell(text::kCommunicationFailed);
      if (!full.isEmpty()) return Tell(text::kFolderNotEmpty);
      QStringList all = files + folders;
      if (!Ask(text::kConfirmDelete, all.join(", "))) return;
      wait_->Begin(false);
      worker_->Run([=, this](ExplorerSources& sources) -> std::function<void()> {
        FileSource& side = sources.Side(device);
        QStringList gone;
        bool failed = false;
        for (const QString& path : all) {
          const bool isFolder = folders.contains(path);
          const FileResult done =
              isFolder ? side.RemoveFolder(Std(path)) : side.DeleteFile(Std(path));
          if (!done) {
            failed = true;
            break;
          }
          gone << path;
        }
        return [=, this] {
          for (const QString& path : gone) delete FindByPath(tree, path);
          ShowSelectionInfo(tree);
          if (failed) Tell(text::kCommunicationFailed);
        };
      });
    };
  });
}

// --- Copies --------------------------------------------------------------------------------

void CPDAExplorer::CopyFromDevice() {
  CopySelected(false);
}
void CPDAExplorer::CopyToDevice() {
  CopySelected(true);
}

void CPDAExplorer::CopySelected(bool toDevice) {
  if (busy_ || IsWorking()) return;
  FileTree* source = toDevice ? LocalTree() : DeviceTree();
  QStringList paths, displays;
  for (QTreeWidgetItem* item : source->SelectedFiles()) {
    paths << FileTree::PathOf(item);
    displays << SizeAndDate(FileTree::SizeTextOf(item), FileTree::DateTextOf(item));
  }
  CopyBetween(toDevice, paths, displays, Other(source)->CurrentFolder());
}

void CPDAExplorer::CopyBetween(bool toDevice, const QStringList& sources,
                               const QStringList& displays, QTreeWidgetItem* folder) {
  if (sources.isEmpty() || !folder) return Tell(text::kSelectFileAndFolder);
  FileTree* destination = toDevice ? DeviceTree() : LocalTree();
  const QString folderPath = FileTree::PathOf(folder);
  std::vector<CopyItem> items;
  for (int i = 0; i < sources.size(); ++i) {
    const QString name = LeafOf(sources[i], toDevice ? QChar('/') : QChar('\\'));
    items.push_back({sources[i], destination->Join(folderPath, name), displays.value(i)});
  }
  StartCopy(toDevice ? Direction::kToDevice : Direction::kFromDevice, std::move(items), folderPath);
}

void CPDAExplorer::CopySelection(FileTree* tree) {
  QStringList paths;
  for (QTreeWidgetItem* item : tree->SelectedFiles()) paths << FileTree::PathOf(item);
  tree->SetClipboard(paths);
}

void CPDAExplorer::Paste(FileTree* tree, QTreeWidgetItem* folder) {
  if (busy_ || IsWorking() || tree->Clipboard().isEmpty()) return;
  if (!folder) return Tell(text::kSelectFolder);
  const QString folderPath = FileTree::PathOf(folder);
  std::vector<CopyItem> items;
  for (const QString& from : tree->Clipboard()) {
    const QString to = tree->Join(folderPath, LeafOf(from, tree->Separator()));
    if (to != from) items.push_back({from, to, {}});
  }
  if (items.empty()) return;
  StartCopy(tree->IsDevice() ? Direction::kWithinDevice : Direction::kWithinPc, std::move(items),
            folderPath);
}

void CPDAExplorer::Drop(FileTree* tree, const QMimeData* data, QTreeWidgetItem* folder) {
  if (busy_ || IsWorking() || !folder) return;
  QStringList paths;
  bool fromDevice = false;
  if (data->hasFormat(kExplorerMimeType)) {
    QStringList lines =
        QString::fromUtf8(data->data(kExplorerMimeType)).split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) return;
    fromDevice = lines.takeFirst() == "device";
    paths = lines;
  } else {
    for (const QUrl& url : data->urls()) {
      const QFileInfo info(url.toLocalFile());
      if (url.isLocalFile() && info.isFile()) paths << info.absoluteFilePath();
    }
  }
  if (paths.isEmpty()) return Tell(text::kSelectFileAndFolder);
  if (fromDevice == tree->IsDevice()) {
    tree->SetClipboard(paths);
    return Paste(tree, folder);
  }
  QStringList displays;
  for (const QString& path : paths) {
    QTreeWidgetItem* item = FindByPath(Other(tree), path);
    if (item) {
      displays << SizeAndDate(FileTree::SizeTextOf(item), FileTree::DateTextOf(item));
    } else {
      const QFileInfo info(path);
      displays << SizeAndDate(Q(SizeText(static_cast<uint64_t>(info.size()))),
                              QLocale().toString(info.lastModified().date(), QLocale::ShortFormat));
    }
  }
  CopyBetween(tree->IsDevice(), paths, displays, folder);
}

void CPDAExplorer::StartCopy(Direction direction, std::vector<CopyItem> items,
                             const QString& destinationFolder) {
  const bool toDevice = direction == Direction::kToDevice || direction == Direction::kWithinDevice;
  // A file never takes the place of a folder.
  FileTree* destination = toDevice ? DeviceTree() : LocalTree();
  for (const CopyItem& item : items) {
    const QTreeWidgetItem* existing = FindByPath(destination, item.to);
    if (existing && FileTree::KindOf(existing) != ItemKind::kFile) return Tell(text::kCopyError);
  }
  std::vector<std::string> targets;
  for (const CopyItem& item : items) targets.push_back(Std(item.to));
  wait_->Begin(false);
  worker_->Run([=, this, items = std::move(items)](
                   ExplorerSources& sources) mutable -> std::function<void()> {
    std::vector<bool> existing;
    FileResult asked = FileResult::Ok();
    for (const std::string& target : targets) {
      bool exists = false;
      asked = sources.Side(toDevice).Exists(target, exists);
      if (!asked) break;
      existing.push_back(exists);
    }
    return [=, this, items = std::move(items)]() mutable {
      if (!asked) return Tell(text::kCommunicationFailed);
      const bool within =
          direction == Direction::kWithinDevice || direction == Direction::kWithinPc;
      std::vector<CopyItem> kept;
      for (size_t i = 0; i < items.size(); ++i) {
        if (!existing[i] ||
            Ask(within ? text::kFileExistsOverwrite : text::kFileExistsQuestion, items[i].to)) {
          kept.push_back(std::move(items[i]));
        }
      }
      if (!kept.empty()) RunCopy(direction, std::move(kept), destinationFolder);
    };
  });
}

void CPDAExplorer::RunCopy(Direction direction, std::vector<CopyItem> items,
                           const QString& destinationFolder) {
  SetBusy(true);
  wait_->Begin(direction == Direction::kToDevice || direction == Direction::kFromDevice);
  ExplorerWorker* worker = worker_;  // the job never reads the window's members
  worker_->Run([=, this,
                items = std::move(items)](ExplorerSources& sources) -> std::function<void()> {
    ReplacingCopy copy(sources.device);
    FileResult failure = FileResult::Ok();
    QString failedTarget;
    bool stopped = false;
    for (const CopyItem& item : items) {
      const std::string display = Std(item.display);
      const TransferControl control{
          [this, worker, display](const TransferProgress& p) {
            const QString line = Q(ProgressText(display, p.bytesDone));
            worker->Post([this, line, p] { wait_->ShowProgress(line, p.bytesDone, p.totalBytes); });
          },
          &sources.stop};
      TransferResult done;
      switch (direction) {
        case Direction::kToDevice:
          done = copy.ToDevice(Std(item.from), Std(item.to), control);
          break;
        case Direction::kFromDevice:
          done = copy.FromDevice(Std(item.from), Std(item.to), control);
          break;
        case Direction::kWithinDevice:
          done.result = copy.WithinDevice(Std(item.from), Std(item.to));
          break;
        case Direction::kWithinPc:
          done.result = sources.local.CopyFile(Std(item.from), Std(item.to));
          break;
      }
      if (!done) {
        failure = done.result;
        failedTarget = item.to;
        break;
      }
      if (done.stopped || sources.stop) {
        stopped = true;
        break;
      }
    }
    const double rate = sources.device.BestRate();
    return [=, this] {
      SetBusy(false);
      const bool deviceTarget =
          direction == Direction::kToDevice || direction == Direction::kWithinDevice;
      if (!failure) {
        const bool createFailed =
            direction == Direction::kFromDevice && failure.kind == FileResult::Kind::kLocalError;
        Tell(createFailed ? text::kErrorCreatingFile : text::kCopyError,
             createFailed ? failedTarget : QString());
      } else if (direction == Direction::kToDevice || direction == Direction::kFromDevice) {
        ShowRate(rate);
      }
      messagePane_->setText(stopped ? QString("Stopped") : QString());
      Relist(deviceTarget ? DeviceTree() : LocalTree(), destinationFolder);
    };
  });
}

void CPDAExplorer::ShowHelp() {
  HelpWindow::ShowTopic(explorer_text::kHelpTopic, this);
}

}  // namespace mirrodex
