// Video capture from the device screen window: Capture Video starts a recording (after the movie
// file dialog) or stops the running one. Every 500 ms of wall-clock time the window's current
// picture, at the device's size times the zoom, goes to the movie recorder, which encodes on a
// thread of its own; a paused device picture keeps being recorded as it stands. A frame that
// cannot be written (the writer shows why) ends the recording at the next tick; the end of a
// recording reports the file, its frames and any frames dropped because the encoder fell behind.
// Threads: the user-interface thread; the writers' messages reach it through a PostedNotifier.
// Ownership: the screen window, the asker and the prompter are not owned and outlive this
// object; the recorder (and with it the writer and its thread) is owned and finished at the
// latest by the destructor.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "desktop/shell/PostedNotifier.h"

namespace mirrodex {

class CDeviceScreenWnd;
class MessagePrompter;
class MovieRecorder;
class SaveFileAsker;
struct CommandState;

class CaptureControl : public QObject {
 public:
  static constexpr int kFrameIntervalMs = 500;

  CaptureControl(CDeviceScreenWnd& screen, SaveFileAsker& asker, MessagePrompter& prompter,
                 QWidget* owner);
  ~CaptureControl() override;

  // The Capture Video command.
  void Toggle();
  bool Recording() const { return recorder_ != nullptr; }
  // Capture Video's menu text, check mark and tool bar image.
  void Update(CommandState& state) const;
  // Ends a running recording and finishes its file; nothing when none runs.
  void Stop();

  void SetAsker(SaveFileAsker& asker) { asker_ = &asker; }
  // Told how a recording ended (the frame shows it on the status bar).
  std::function<void(const QString&)> onFinished;

 private:
  void Start();
  void TakeFrame();
  void ShowMessage(const QString& text);

  CDeviceScreenWnd& screen_;
  SaveFileAsker* asker_;
  MessagePrompter& prompter_;
  QWidget* owner_;
  PostedNotifier notifier_;  // before the recorder: the writer uses it until the recorder ends
  std::unique_ptr<MovieRecorder> recorder_;
  std::string path_;
  std::chrono::steady_clock::time_point started_{};
  QTimer timer_;
};

}  // namespace mirrodex
