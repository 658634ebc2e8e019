// Shows the movie writers' messages on the user-interface thread. The writers call ShowError on
// the recorder's thread, where no widget may be touched: the message is posted to this object's
// thread and shown there. Called on its own thread, it shows the message at once, so a message
// of a failed start comes before the start's own.
// Threads: ShowError on any thread; `show` runs on the thread the notifier lives on. Messages
// still posted when the notifier is destroyed are dropped.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "desktop/session/UserNotifier.h"

namespace mirrodex {

class PostedNotifier : public QObject, public UserNotifier {
 public:
  using Show = std::function<void(const QString& text, const QString& caption)>;
  explicit PostedNotifier(Show show, QObject* parent = nullptr);

  void ShowError(std::string_view text, std::string_view caption) override;

 private:
  Show show_;
};

}  // namespace mirrodex
