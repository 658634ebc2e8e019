#include "desktop/shell/CaptureControl.h"

#include <QDir>
#include <QImage>

#include "desktop/media/MovieRecorder.h"
#include "desktop/media/MovieWriterFactory.h"
#include "desktop/media/SnapshotSurface.h"
#include "desktop/media/dialog/SaveFileAsker.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {

CaptureControl::CaptureControl(CDeviceScreenWnd& screen, SaveFileAsker& asker, MessagePrompter& prompter,
                               QWidget* owner)
    : QObject(owner),
      screen_(screen),
      asker_(&asker),
      prompter_(prompter),
      owner_(owner),
      notifier_([this](const QString& text, const QString&) { ShowMessage(text); }) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kFrameIntervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] { TakeFrame(); });
}

CaptureControl::~CaptureControl() {
  onFinished = nullptr;
  Stop();
}

void CaptureControl::ShowMessage(const QString& text) {
  prompter_.Tell(owner_ && owner_->isVisible() ? owner_ : nullptr, text, PromptIcon::kWarning);
}

void CaptureControl::Toggle() {
  if (Recording())
    Stop();
  else
    Start();
}

void CaptureControl::Update(CommandState& state) const {
  state.checked = Recording();
  state.text = LoadText(state.checked ? text::kStopVideoCaptureItem : text::kCaptureVideoItem);
  state.icon = LoadIcon(state.checked ? Icon::kCaptureVideoOn : Icon::kCaptureVideo);
}

void CaptureControl::Start() {
  const std::optional<SavePick> pick = asker_->AskSavePath(owner_, MovieFileChoices::Mode::kMovie, QString());
  if (!pick) return;  // cancelled: nothing starts and nothing is said
  std::unique_ptr<MovieWriter> writer = CreateMovieWriter(pick->movie, pick->path, &notifier_);
  // A codec that cannot be written says so itself before the general advice.
  if (!writer || !writer->Start()) {
    ShowMessage(LoadText(text::kVideoCreationFailed));
    screen_.update();
    return;
  }
  recorder_ = std::make_unique<MovieRecorder>(std::move(writer));
  path_ = pick->path;
  started_ = std::chrono::steady_clock::now();
  timer_.start();
  // The first frame at once: a file that cannot be created is reported without a wait.
  TakeFrame();
}

void CaptureControl::TakeFrame() {
  if (!recorder_) {
    timer_.stop();
    return;
  }
  if (recorder_->Failed()) {  // the writer has shown its message
    Stop();
    return;
  }
  const QImage picture = screen_.Surface().convertToFormat(QImage::Format_RGB888);
  SnapshotSurface frame;
  const MediaResult filled = frame.Fill(
      PictureView::Rgb888(picture.constBits(), static_cast<uint32_t>(picture.width()),
                          static_cast<uint32_t>(picture.height()), static_cast<size_t>(picture.bytesPerLine())),
      static_cast<uint32_t>(screen_.Zoom()));
  if (!filled) {
    ShowMessage(QString::fromStdString(filled.message));
    Stop();
    return;
  }
  const auto time = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
  if (!recorder_->Offer(std::move(frame), time)) Stop();
}

void CaptureControl::Stop() {
  timer_.stop();
  if (!recorder_) return;
  const MovieRecorder::Summary summary = recorder_->Finish();
  recorder_.reset();
  const QString path = QDir::toNativeSeparators(QString::fromStdString(path_));
  QString text;
  if (summary.finished) {
    text = QStringLiteral("Video saved to %1: %2 frames").arg(path).arg(summary.written);
    if (summary.dropped > 0)
      text += QStringLiteral(", %1 frames dropped (the encoder fell behind)").arg(summary.dropped);
  } else {
    text = QStringLiteral("No video was saved to %1").arg(path);
  }
  if (onFinished) onFinished(text);
}

}  // namespace mirrodex
