// The "Please wait ..." window of long file work: a running animation, the progress line, a
// progress bar when the total is known, and Stop. It appears only when the work lasts long
// enough to notice, so quick listings do not flash it.
// Threads: the user-interface thread.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace mirrodex {

class WaitDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kShowDelayMs = 250;

  explicit WaitDialog(QWidget* parent);

  // Starts a piece of work: the text shows "Please wait ..." and Stop is offered when
  // `stoppable`. The window appears after kShowDelayMs unless Finish came first.
  void Begin(bool stoppable);
  void ShowProgress(const QString& line, uint64_t done, uint64_t total);
  void Finish();

  QPushButton* StopButton() const { return stop_; }
  QString Line() const;

 signals:
  void stopRequested();

 private:
  QLabel* text_;
  QProgressBar* spinner_;
  QProgressBar* progress_;
  QPushButton* stop_;
  QTimer showTimer_;
};

}  // namespace mirrodex
