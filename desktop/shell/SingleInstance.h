// One window per user and display: the first program listens on a local socket named
// "Mirrodex Window" (with the user's id and the display's name, in the abstract namespace); a
// later start connects, asks the first to come to the front, and ends.
// Threads: the user-interface thread. Ownership: owns the server.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <functional>

namespace mirrodex {

class SingleInstance : public QObject {
 public:
  static QString ServerName();

  // True when another instance answered and was asked to come to the front.
  static bool RaiseRunning(int timeoutMs = 1000);
  // Starts listening. False when it cannot listen.
  bool Listen();
  // What runs when a later start asks (empty: nothing).
  void SetOnRaise(std::function<void()> onRaise) { onRaise_ = std::move(onRaise); }

 private:
  QLocalServer server_;
  std::function<void()> onRaise_;
};

}  // namespace mirrodex
