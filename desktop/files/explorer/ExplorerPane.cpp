#include "desktop/files/explorer/ExplorerPane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/files/explorer/ExplorerIcons.h"
#include "desktop/files/explorer/ExplorerTexts.h"
#include "desktop/files/explorer/FileTree.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {
namespace {

QToolButton* PaneButton(QWidget* parent, const QIcon& icon, const char* tip, const char* name) {
  auto* button = new QToolButton(parent);
  button->setIcon(icon);
  button->setToolTip(tip);
  button->setObjectName(name);
  button->setAutoRaise(true);
  button->setIconSize({16, 16});
  return button;
}

}  // namespace

ExplorerPane::ExplorerPane(bool device, FileIcons& icons, QWidget* parent) : QWidget(parent) {
  setObjectName(device ? "devicePane" : "localPane");
  auto* header = new QWidget(this);
  header->setObjectName("paneHeader");
  auto* title = new QLabel(LoadText(device ? text::kDeviceHeader : text::kLocalHeader), header);
  title->setObjectName("paneTitle");
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  roots_ = new QComboBox(header);
  roots_->setObjectName(device ? "deviceRoots" : "localRoots");
  roots_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  roots_->setMinimumWidth(110);
  delete_ = PaneButton(header, ExplorerIcon(ExplorerIconKind::kDelete), explorer_text::kDeleteTip,
                       "paneDelete");
  rename_ = PaneButton(header, ExplorerIcon(ExplorerIconKind::kRename), explorer_text::kRenameTip,
                       "paneRename");
  newFolder_ = PaneButton(header, ExplorerIcon(ExplorerIconKind::kNewFolder),
                          explorer_text::kNewFolderTip, "paneNewFolder");
  filter_ = new QLineEdit(header);
  filter_->setObjectName("paneFilter");
  filter_->setPlaceholderText(explorer_text::kFilterHint);
  filter_->setClearButtonEnabled(true);
  filter_->setMinimumWidth(80);

  auto* strip = new QHBoxLayout(header);
  strip->setContentsMargins(6, 3, 6, 3);
  strip->setSpacing(4);
  strip->addWidget(title);
  strip->addWidget(roots_, 1);
  strip->addWidget(delete_);
  strip->addWidget(rename_);
  strip->addWidget(newFolder_);
  strip->addWidget(filter_, 1);

  tree_ = new FileTree(device, icons, this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  layout->addWidget(tree_, 1);

  connect(delete_, &QToolButton::clicked, this, &ExplorerPane::deleteClicked);
  connect(rename_, &QToolButton::clicked, this, &ExplorerPane::renameClicked);
  connect(newFolder_, &QToolButton::clicked, this, &ExplorerPane::newFolderClicked);
  connect(filter_, &QLineEdit::textChanged, tree_, &FileTree::SetFilter);
  connect(roots_, &QComboBox::activated, this,
          [this](int index) { emit rootChosen(roots_->itemData(index).toString()); });
}

}  // namespace mirrodex
