#include "desktop/shell/dialogs/DeviceAppsDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/shell/dialogs/DeviceRequestRunner.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {
namespace {

// A device that did not answer at all gets the communication text; one that answered but
// refused, or answered something unreadable, gets the retrieval error.
int FailureText(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kRefused:
    case ExchangeStatus::kWrongCode:
    case ExchangeStatus::kMalformed:
      return text::kRetrieveError;
    default:
      return text::kCommunicationFailed;
  }
}

}  // namespace

DeviceAppsDialog::DeviceAppsDialog(DeviceRequestRunner& runner, MessagePrompter& prompter, QWidget* parent)
    : QDialog(parent),
      runner_(runner),
      prompter_(prompter),
      tree_(new QTreeWidget),
      status_(new QLabel),
      kill_(new QPushButton(LoadIcon(Icon::kKillProcess), tr("Kill Process"))),
      activate_(new QPushButton(LoadIcon(Icon::kActivate), tr("Activate"))) {
  setWindowTitle(tr("Device Applications"));
  setWindowIcon(LoadIcon(Icon::kApplication));

  tree_->setObjectName(QLatin1String(apps_control::kTree));
  tree_->setColumnCount(2);
  tree_->setHeaderLabels({tr("Application"), tr("Process ID")});
  tree_->setRootIsDecorated(false);
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->setIconSize(QSize(16, 16));
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

  kill_->setObjectName(QLatin1String(apps_control::kKill));
  activate_->setObjectName(QLatin1String(apps_control::kActivate));
  status_->setObjectName(QLatin1String(apps_control::kStatus));
  status_->setStyleSheet(QStringLiteral("color: palette(dark);"));
  for (QPushButton* button : {kill_, activate_}) button->setAutoDefault(false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setObjectName(QLatin1String(apps_control::kClose));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* actions = new QHBoxLayout;
  actions->addWidget(kill_);
  actions->addWidget(activate_);
  actions->addSpacing(8);
  actions->addWidget(status_, 1);
  actions->addWidget(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 14, 14, 12);
  layout->setSpacing(10);
  layout->addWidget(tree_, 1);
  layout->addLayout(actions);
  resize(460, 420);

  connect(kill_, &QPushButton::clicked, this, &DeviceAppsDialog::KillSelected);
  connect(activate_, &QPushButton::clicked, this, &DeviceAppsDialog::ActivateSelected);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &DeviceAppsDialog::ActivateSelected);
  Refresh();
}

void DeviceAppsDialog::SetBusy(bool busy, const QString& activity) {
  busy_ = busy;
  kill_->setEnabled(!busy);
  activate_->setEnabled(!busy);
  status_->setText(busy ? activity : tr("%n application(s)", nullptr, tree_->topLevelItemCount()));
}

bool DeviceAppsDialog::Start(const QString& activity, std::function<std::function<void()>(DeviceRequester&)> job) {
  if (busy_) return false;
  SetBusy(true, activity);
  runner_.Run(this, std::move(job));
  return true;
}

void DeviceAppsDialog::Finish() {
  SetBusy(false);
  emit requestFinished();
}

void DeviceAppsDialog::Refresh() {
  if (busy_) return;
  tree_->clear();
  Start(LoadText(text::kPleaseWait), [this](DeviceRequester& requester) -> std::function<void()> {
    // On the requesting thread: only the requester and local values are touched here.
    std::vector<DeviceProcess> processes;
    const ExchangeStatus status = ListProcesses(requester, processes);
    return [this, status, processes = std::move(processes)] {
      if (status == ExchangeStatus::kOk) {
        ShowProcesses(processes);
      } else {
        ReportFailure(status);
      }
      Finish();
    };
  });
}

void DeviceAppsDialog::ShowProcesses(const std::vector<DeviceProcess>& processes) {
  tree_->clear();
  const QIcon icon = LoadIcon(Icon::kProcess);
  for (const DeviceProcess& process : processes) {
    auto* item = new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromStdString(process.name));
    item->setIcon(0, icon);
    item->setText(1, QString::number(process.id));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(0, Qt::UserRole, QVariant::fromValue<uint>(process.id));
  }
  if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
}

void DeviceAppsDialog::ReportFailure(ExchangeStatus status) {
  prompter_.Tell(this, LoadText(FailureText(status)), PromptIcon::kError);
}

bool DeviceAppsDialog::SelectedProcess(uint32_t& id, QString& name) {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) {
    prompter_.Tell(this, LoadText(text::kMakeSelection), PromptIcon::kInformation);
    return false;
  }
  id = selected.front()->data(0, Qt::UserRole).toUInt();
  name = selected.front()->text(0);
  return true;
}

void DeviceAppsDialog::KillSelected() {
  if (busy_) return;
  if (!prompter_.Ask(this, LoadText(text::kKillProcessWarning), PromptIcon::kWarning)) return;
  uint32_t id = 0;
  QString name;
  if (!SelectedProcess(id, name)) return;
  Start(tr("Ending %1 ...").arg(name), [this, id](DeviceRequester& requester) -> std::function<void()> {
    const ExchangeStatus status = KillProcess(requester, id);
    return [this, status] {
      Finish();
      if (status == ExchangeStatus::kOk) {
        Refresh();
      } else {
        ReportFailure(status);
      }
    };
  });
}

void DeviceAppsDialog::ActivateSelected() {
  if (busy_) return;
  uint32_t id = 0;
  QString name;
  if (!SelectedProcess(id, name)) return;
  Start(tr("Activating %1 ...").arg(name), [this, id](DeviceRequester& requester) -> std::function<void()> {
    const ExchangeStatus status = ActivateProcess(requester, id);
    return [this, status] {
      if (status != ExchangeStatus::kOk) ReportFailure(status);
      Finish();
    };
  });
}

}  // namespace mirrodex
