// The events that carry the sessions' news to the user-interface thread. They keep the
// window message numbers the desktop program has always used: 0x7E9 for a complete picture
// (to the screen window) and 0x7EA for a session event (to the main frame).
// Threads: created on any thread, posted with QCoreApplication::postEvent, handled on the
// receiver's (user-interface) thread.
#pragma once

#include <QEvent>
#include <QString>
#include <cstdint>

namespace mirrodex::app {

inline constexpr QEvent::Type kFrameCompleteEvent = static_cast<QEvent::Type>(0x7E9);
inline constexpr QEvent::Type kSessionEventEvent = static_cast<QEvent::Type>(0x7EA);
inline constexpr QEvent::Type kSessionMessageEvent = static_cast<QEvent::Type>(0x7EB);

// wParam of a session event: what the frame does with it.
enum SessionEventParam : int {
  kSessionChanged = 0,  // a session connected (or another event that needs no reaction)
  kSessionLost = 1,     // a session ended or failed: both listen again
  kRunStartAgain = 2,   // run the Start command again (the alternate-type retry)
  kBridgeStage = 3,     // the bridge start reached the stage in the code
  kBridgeStartDone = 4, // the bridge start ended with the result in the code (as int32)
};

class SessionEventEvent : public QEvent {
 public:
  SessionEventEvent(int param, uint32_t code) : QEvent(kSessionEventEvent), param_(param), code_(code) {}
  int Param() const { return param_; }
  uint32_t Code() const { return code_; }

 private:
  int param_;
  uint32_t code_;
};

// A message for the user from the session layer (shown in a message box).
class SessionMessageEvent : public QEvent {
 public:
  SessionMessageEvent(QString text, QString caption)
      : QEvent(kSessionMessageEvent), text_(std::move(text)), caption_(std::move(caption)) {}
  const QString& Text() const { return text_; }
  const QString& Caption() const { return caption_; }

 private:
  QString text_, caption_;
};

}  // namespace mirrodex::app
