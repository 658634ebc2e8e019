// The status bar's CAP, NUM and SCRL panes: each reads clearly while its lock key is on and
// greyed while it is off. The keys' state comes from a source (the X server's keyboard
// indicators in the program, a scripted one in tests) read a few times a second.
// Threads: the user-interface thread.
// Ownership: the status bar owns the panes' widget.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;

namespace mirrodex {

struct LockKeys {
  bool caps = false, num = false, scroll = false;
  bool operator==(const LockKeys&) const = default;
};

class LockKeyPanes : public QWidget {
 public:
  static constexpr int kRefreshMs = 250;

  // An empty source reads the keyboard of the display the program runs on.
  explicit LockKeyPanes(std::function<LockKeys()> source = {}, QWidget* parent = nullptr);

  // Replaces the source and reads the keys from it.
  void SetSource(std::function<LockKeys()> source);
  // Reads the keys now.
  void Refresh();
  LockKeys Shown() const { return shown_; }

  // The keyboard's lock indicators on an X display; all off elsewhere.
  static LockKeys ReadDisplayKeys();

 private:
  std::function<LockKeys()> source_;
  QLabel* caps_;
  QLabel* num_;
  QLabel* scroll_;
  LockKeys shown_;
  QTimer timer_;
};

}  // namespace mirrodex
