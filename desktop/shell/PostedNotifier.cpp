#include "desktop/shell/PostedNotifier.h"

#include <QThread>

namespace mirrodex {

PostedNotifier::PostedNotifier(Show show, QObject* parent) : QObject(parent), show_(std::move(show)) {}

void PostedNotifier::ShowError(std::string_view text, std::string_view caption) {
  QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QString c = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  if (QThread::currentThread() == thread()) {
    show_(t, c);
    return;
  }
  QMetaObject::invokeMethod(this, [this, t = std::move(t), c = std::move(c)] { show_(t, c); },
                            Qt::QueuedConnection);
}

}  // namespace mirrodex
