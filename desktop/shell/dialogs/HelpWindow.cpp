#include "desktop/shell/dialogs/HelpWindow.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTextBrowser>

#include "desktop/resources/HelpPages.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {
namespace {

QPointer<HelpWindow>& Kept() {
  static QPointer<HelpWindow> window;
  return window;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), contents_(new QListWidget), browser_(new QTextBrowser) {
  setWindowTitle(LoadText(text::kAppTitle) + tr(" Help"));
  setWindowIcon(LoadIcon(Icon::kApplication));
  setObjectName(QStringLiteral("helpWindow"));
  contents_->setObjectName(QStringLiteral("helpContents"));
  browser_->setObjectName(QStringLiteral("helpBrowser"));

  for (const QString& topic : help::Topics()) {
    auto* item = new QListWidgetItem(LoadIcon(Icon::kHelp), help::TopicTitle(topic), contents_);
    item->setData(Qt::UserRole, topic);
  }
  contents_->setIconSize(QSize(16, 16));
  contents_->setSpacing(2);
  contents_->setMinimumWidth(170);
  browser_->setOpenExternalLinks(true);
  browser_->setSearchPaths({QStringLiteral(":/mirrodex/help")});

  auto* splitter = new QSplitter;
  splitter->addWidget(contents_);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({180, 520});
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(splitter);
  resize(760, 560);

  connect(contents_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) SelectTopic(item->data(Qt::UserRole).toString());
  });
  connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::OnSourceChanged);
  SelectTopic(QString::fromLatin1(help::kMainTopic));
}

HelpWindow* HelpWindow::ShowTopic(const QString& topic, QWidget* openedFrom) {
  QPointer<HelpWindow>& window = Kept();
  QWidget* parent = openedFrom ? openedFrom->window() : nullptr;
  if (!window) {
    window = new HelpWindow(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  } else if (window->parentWidget() != parent) {
    window->setParent(parent, Qt::Window);
  }
  if (!window->SelectTopic(topic)) window->SelectTopic(QString::fromLatin1(help::kMainTopic));
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

HelpWindow* HelpWindow::Current() { return Kept(); }

bool HelpWindow::SelectTopic(const QString& topic) {
  const QUrl url = help::TopicUrl(topic);
  if (url.isEmpty()) return false;
  if (browser_->source() != url) browser_->setSource(url);
  return true;
}

QString HelpWindow::CurrentTopic() const { return browser_->source().fileName(); }

void HelpWindow::OnSourceChanged(const QUrl& url) {
  const QString topic = url.fileName();
  for (int row = 0; row < contents_->count(); ++row) {
    if (contents_->item(row)->data(Qt::UserRole).toString() == topic) {
      const QSignalBlocker block(contents_);
      contents_->setCurrentRow(row);
    }
  }
}

}  // namespace mirrodex
