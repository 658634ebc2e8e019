// The help window: a contents pane with the program's help pages beside a browser that shows
// the chosen page; links between the pages keep the contents pane in step.
// Threads: the user-interface thread.
// Ownership: ShowTopic keeps one window per process, a child window of the widget it is
// opened from (so it works above that widget's modal dialog) that deletes itself when closed.
#pragma once

#include <QWidget>

class QListWidget;
class QTextBrowser;

namespace mirrodex {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Shows the process's help window on `topic` ("main.html", "options.html",
  // "pdaexplorer.html"; an unknown or empty topic shows "main.html"), raised and active.
  static HelpWindow* ShowTopic(const QString& topic, QWidget* openedFrom = nullptr);
  // The window ShowTopic keeps, or nullptr.
  static HelpWindow* Current();

  // False for an unknown topic, which leaves the page as it is.
  bool SelectTopic(const QString& topic);
  QString CurrentTopic() const;

 private:
  void OnSourceChanged(const QUrl& url);

  QListWidget* contents_;
  QTextBrowser* browser_;
};

}  // namespace mirrodex
