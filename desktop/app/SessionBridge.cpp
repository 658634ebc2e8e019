#include "desktop/app/SessionBridge.h"

#include <QCoreApplication>

#include "desktop/app/AppEvents.h"
#include "desktop/app/FrameStore.h"
#include "desktop/session/ReplyDispatcher.h"

namespace mirrodex::app {

SessionBridge::SessionBridge(FrameStore& frames, const ScreenDecoder& decoder, ReplyDispatcher& dispatcher)
    : frames_(frames), decoder_(decoder), dispatcher_(dispatcher) {}

void SessionBridge::SetTargets(QObject* frame, QObject* screen) {
  std::lock_guard lock(targetMutex_);
  frame_ = frame;
  screen_ = screen;
}

ScreenCounters SessionBridge::TakeCounters() {
  return {images_.exchange(0), wireBytes_.exchange(0)};
}

void SessionBridge::Post(QObject* SessionBridge::*target, QEvent* event) {
  std::lock_guard lock(targetMutex_);
  if (QObject* receiver = this->*target)
    QCoreApplication::postEvent(receiver, event);
  else
    delete event;
}

void SessionBridge::PostFrameEvent(int param, uint32_t code) {
  Post(&SessionBridge::frame_, new SessionEventEvent(param, code));
}

void SessionBridge::OnEvent(uint32_t code) {
  const bool lost = code == kEventEnded || code == kEventError;
  if (lost) dispatcher_.ConnectionLost();
  Post(&SessionBridge::frame_, new SessionEventEvent(lost ? kSessionLost : kSessionChanged, code));
}

void SessionBridge::OnData(std::span<const uint8_t> buffer) { dispatcher_.Dispatch(buffer); }

void SessionBridge::OnFrameComplete() {
  if (frames_.Publish(decoder_)) Post(&SessionBridge::screen_, new QEvent(kFrameCompleteEvent));
}

void SessionBridge::OnScreenUpdate(const ScreenUpdateInfo& info) {
  images_ += info.framesCompleted;
  wireBytes_ += info.wireBytes;
}

void SessionBridge::ShowError(std::string_view text, std::string_view caption) {
  Post(&SessionBridge::frame_,
       new SessionMessageEvent(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                               QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()))));
}

}  // namespace mirrodex::app
