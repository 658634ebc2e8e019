// The "Device Applications" dialog: lists the processes running on the device and ends one
// ("Kill Process") or brings one to the front ("Activate"). Every action is one exchange with
// the agent, run on the requesting thread; the dialog stays responsive meanwhile, refuses a
// second action until the first is answered, and may be closed while one waits.
// Threads: the user-interface thread.
// Ownership: the runner and the prompter are not owned and must outlive the dialog.
#pragma once

#include <QDialog>
#include <vector>

#include "desktop/session/DeviceProcesses.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace mirrodex {

class DeviceRequestRunner;
class MessagePrompter;

// Object names of the dialog's controls (for tests and style sheets).
namespace apps_control {
inline constexpr const char* kTree = "processTree";  // item data (column 0, UserRole): process id
inline constexpr const char* kKill = "killProcess";
inline constexpr const char* kActivate = "activate";
inline constexpr const char* kClose = "close";
inline constexpr const char* kStatus = "status";
}  // namespace apps_control

class DeviceAppsDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks the device for its processes at once.
  DeviceAppsDialog(DeviceRequestRunner& runner, MessagePrompter& prompter, QWidget* parent = nullptr);

  // The buttons' actions, also reachable from tests.
  void Refresh();
  void KillSelected();
  void ActivateSelected();

  // An exchange is on its way.
  bool IsBusy() const { return busy_; }

 signals:
  // An exchange was answered (or failed) and its outcome has been shown.
  void requestFinished();

 private:
  // Starts `job` unless one is on its way; false when refused.
  bool Start(const QString& activity, std::function<std::function<void()>(DeviceRequester&)> job);
  void Finish();
  void SetBusy(bool busy, const QString& activity = {});
  void ShowProcesses(const std::vector<DeviceProcess>& processes);
  void ReportFailure(ExchangeStatus status);
  // The selected process's id; false (after the message) when nothing is selected.
  bool SelectedProcess(uint32_t& id, QString& name);

  DeviceRequestRunner& runner_;
  MessagePrompter& prompter_;
  bool busy_ = false;
  QTreeWidget* tree_;
  QLabel* status_;
  QPushButton* kill_;
  QPushButton* activate_;
};

}  // namespace mirrodex
