// The device file manager window: the PC's files on the left, the device's on the right, with
// commands to create, rename and delete files and folders on either side and to copy files
// between them (buttons, menus, double-clicks, drag and drop, also from the desktop's own file
// manager onto the device). All file work runs on the window's requesting thread
// (ExplorerWorker); the window stays responsive and shows progress meanwhile.
// Threads: the user-interface thread.
// Ownership: the dispatcher, the settings store and the prompter are not owned and must
// outlive the window; so must whatever the sender uses. The window deletes itself when closed
// (its requesting thread ends then, after the current block of a copy).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "desktop/session/DeviceRequester.h"

class QAction;
class QLabel;
class QMimeData;
class QTreeWidgetItem;

namespace mirrodex {

class ButtonSplitter;
class CSettingsStore;
class ExplorerPane;
class ExplorerWorker;
class FileIcons;
class FileTree;
class MessagePrompter;
class ReplyDispatcher;
class WaitDialog;

class CPDAExplorer : public QMainWindow {
  Q_OBJECT

 public:
  // What the window needs from the program.
  struct Services {
    ReplyDispatcher* dispatcher = nullptr;
    // Queues a request on the command session; called on the window's requesting thread
    // (GuardedRequestSender::Sender() in the program).
    DeviceRequester::Sender sender;
    CSettingsStore* store = nullptr;
    MessagePrompter* prompter = nullptr;
    uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max();  // shorter in tests only
  };

  enum class Command {
    kNewFolder,
    kDelete,
    kRename,
    kCopyFromDevice,
    kCopyToDevice,
    kRefresh,
    kHelp
  };

  // Opens the window, filled, or raises the one already open: one window at a time.
  static CPDAExplorer* ShowOrRaise(const Services& services, QWidget* owner = nullptr);
  static CPDAExplorer* Current();
  // Closes and destroys the open window at once (its placement stored, its requesting thread
  // ended) and waits up to `timeoutMs` for the requesting threads of windows closed before to
  // end; false when one still runs. The program calls it before the dispatcher or the
  // sessions go (after ReplyDispatcher::ConnectionLost, so that no request waits on): a window
  // that is a child of the main frame would otherwise outlive the frame's own members.
  static bool CloseCurrent(int timeoutMs = 45000);

  // A window without showing or filling it (ShowOrRaise does both).
  explicit CPDAExplorer(const Services& services, QWidget* owner = nullptr);
  ~CPDAExplorer() override;

  // The commands; those acting on "the tree" use the tree that had the focus last.
  void NewFolder(FileTree* tree);
  void Delete(FileTree* tree);
  void Rename(FileTree* tree);
  void Refresh();
  void CopyFromDevice();
  void CopyToDevice();
  void ShowHelp();
  // The context menu's Copy and Paste within one tree.
  void CopySelection(FileTree* tree);
  void Paste(FileTree* tree, QTreeWidgetItem* folder);
  // Files dropped onto `folder` of `tree` (the trees' drops come here).
  void Drop(FileTree* tree, const QMimeData* data, QTreeWidgetItem* folder);
  // Shows `path` as the PC side's root (adding it to the drive list when it is not there).
  void OpenLocalFolder(const QString& path);

  FileTree* LocalTree() const;
  FileTree* DeviceTree() const;
  ExplorerPane* LocalPane() const { return localPane_; }
  ExplorerPane* DevicePane() const { return devicePane_; }
  QAction* Action(Command command) const;
  // Work queued on the requesting thread or waiting for its answer to be shown.
  bool IsWorking() const;
  // A copy runs: every control is off except the wait dialog's Stop.
  bool IsBusy() const { return busy_; }
  WaitDialog* Wait() const { return wait_; }
  QString SizePane() const;
  QString DatePane() const;
  QString RatePane() const;
  QString MessagePane() const;

 signals:
  // The requesting thread has nothing left to do and every answer has been shown.
  void idle();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct CopyItem {
    QString from;     // full path on the source side
    QString to;       // full path on the destination side
    QString display;  // the source's size and date text
  };
  enum class Direction { kToDevice, kFromDevice, kWithinPc, kWithinDevice };

  void BuildMenus();
  void BuildStatusBar();
  void ConnectTree(ExplorerPane* pane);
  void RestorePlacement();
  void SavePlacement();
  void UpdateCommands();
  void SetBusy(bool busy);
  FileTree* ActiveTree() const;
  FileTree* Other(FileTree* tree) const;

  void FillLocalRoots();
  void ShowRoot(FileTree* tree, const QString& path);
  void RefreshDevice();
  void List(FileTree* tree, QTreeWidgetItem* folder);
  void Relist(FileTree* tree, const QString& folderPath);
  void OnRenameRequested(FileTree* tree, QTreeWidgetItem* item, const QString& oldName,
                         const QString& newName);
  void ShowSelectionInfo(FileTree* tree);
  void ShowRate(double bytesPerSecond);

  // Asks about existing targets, then copies what the user kept.
  void StartCopy(Direction direction, std::vector<CopyItem> items,
                 const QString& destinationFolder);
  void RunCopy(Direction direction, std::vector<CopyItem> items, const QString& destinationFolder);
  // The selected files of one tree to the current folder of the other.
  void CopySelected(bool toDevice);
  void CopyBetween(bool toDevice, const QStringList& sources, const QStringList& displays,
                   QTreeWidgetItem* folder);

  void Tell(int textId, const QString& argument = {});
  bool Ask(int textId, const QString& argument);

  Services services_;
  FileIcons* icons_;
  ExplorerWorker* worker_;
  ExplorerPane* localPane_;
  ExplorerPane* devicePane_;
  ButtonSplitter* splitter_;
  WaitDialog* wait_;
  QLabel* sizePane_;
  QLabel* datePane_;
  QLabel* ratePane_;
  QLabel* messagePane_;
  std::vector<QAction*> actions_;
  QPointer<FileTree> activeTree_;
  bool busy_ = false;
  bool joinWorker_ = false;  // CloseCurrent: wait for the requesting thread when destroyed
};

}  // namespace mirrodex
