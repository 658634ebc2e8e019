#include "desktop/files/explorer/WaitDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/resources/StringTable.h"

namespace mirrodex {

WaitDialog::WaitDialog(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("waitDialog");
  setWindowTitle(LoadText(text::kAppTitle));
  setModal(false);
  text_ = new QLabel(LoadText(text::kPleaseWait), this);
  text_->setObjectName("waitText");
  text_->setMinimumWidth(320);
  spinner_ = new QProgressBar(this);  // an endless bar is the animation
  spinner_->setRange(0, 0);
  spinner_->setTextVisible(false);
  spinner_->setMaximumHeight(8);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("waitProgress");
  progress_->setVisible(false);
  stop_ = new QPushButton("Stop", this);
  stop_->setObjectName("waitStop");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(stop_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(spinner_);
  layout->addWidget(progress_);
  layout->addLayout(buttons);
  showTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, [this] {
    show();
    raise();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    stop_->setEnabled(false);
    emit stopRequested();
  });
}

void WaitDialog::Begin(bool stoppable) {
  text_->setText(LoadText(text::kPleaseWait));
  progress_->setVisible(false);
  stop_->setVisible(stoppable);
  stop_->setEnabled(true);
  if (!isVisible()) showTimer_.start(kShowDelayMs);
}

void WaitDialog::ShowProgress(const QString& line, uint64_t done, uint64_t total) {
  text_->setText(line);
  if (total == 0) return;
  progress_->setVisible(true);
  progress_->setRange(0, 1000);
  progress_->setValue(static_cast<int>(done >= total ? 1000 : done * 1000 / total));
}

void WaitDialog::Finish() {
  showTimer_.stop();
  hide();
}

QString WaitDialog::Line() const {
  return text_->text();
}

}  // namespace mirrodex
