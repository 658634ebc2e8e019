// The file manager's two-column splitter: its bar is wide and holds the ">>" (copy to the
// device), "<<" (copy from the device) and refresh buttons, centred, between the two sides.
// Threads: the user-interface thread.
#pragma once

#include <QSplitter>
#include <QSplitterHandle>

class QToolButton;

namespace mirrodex {

class ButtonSplitterHandle : public QSplitterHandle {
  Q_OBJECT

 public:
  explicit ButtonSplitterHandle(QSplitter* parent);

  QToolButton* ToDevice() const { return toDevice_; }
  QToolButton* FromDevice() const { return fromDevice_; }
  QToolButton* Refresh() const { return refresh_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QToolButton* toDevice_;
  QToolButton* fromDevice_;
  QToolButton* refresh_;
};

class ButtonSplitter : public QSplitter {
  Q_OBJECT

 public:
  static constexpr int kBarWidth = 52;

  explicit ButtonSplitter(QWidget* parent = nullptr);
  // The bar between the two panes; valid once both panes are added.
  ButtonSplitterHandle* Bar() const;

 protected:
  QSplitterHandle* createHandle() override;
};

}  // namespace mirrodex
