// `record`: the device's picture, every 500 ms, into a movie through the same writers as the
// desktop program, until --seconds have passed, Ctrl+C, the device leaves or a frame cannot be
// written. In every case the file is finished so that it plays.
#include <csignal>
#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/LatestPicture.h"
#include "cli/RecordOptions.h"
#include "desktop/media/MovieRecorder.h"
#include "desktop/media/MovieWriterFactory.h"

namespace mirrodex::cli {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
  interrupted = true;
}

constexpr auto kFrameInterval = std::chrono::milliseconds(500);

// The writers' messages, one line each on stderr.
class StderrNotifier : public UserNotifier {
 public:
  void ShowError(std::string_view text, std::string_view caption) override {
    std::string line(text);
    for (char& c : line) {
      if (c == '\n' || c == '\t') c = ' ';
    }
    const auto first = line.find_first_not_of(' ');
    std::fprintf(stderr, "mirrodex-cli: %.*s: %s\n", int(caption.size()), caption.data(),
                 first == std::string::npos ? "" : line.c_str() + first);
    shown = text;
  }
  std::string shown;  // the last message
};

}  // namespace

int RunRecord(const CliOptions& options, const SessionConfig& config) {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  av_log_set_level(AV_LOG_ERROR);
  MovieChoice choice;
  std::string error;
  if (!ChooseMovie(options.output, options.record, options.quality, choice, error)) {
    std::fprintf(stderr, "mirrodex-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  StderrNotifier notifier;
  auto writer = CreateMovieWriter(choice, options.output, &notifier);
  if (!writer->Start()) return kExitUsage;  // the codec cannot be written: the writer said why

  LatestPicture latest;
  CliSession session(config);
  session.SetFrameSink([&latest](const ScreenDecoder& decoder) { latest.Store(decoder); });
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  if (const int code = StartAndAwaitDevice(session, options, deadline, &interrupted);
      code != kExitDone) {
    return code;
  }
  auto outcome = session.WaitFor([&] { return latest.HasPicture(); }, deadline, &interrupted);
  if (outcome != CliSession::Outcome::kReady) {
    session.Stop();
    if (outcome == CliSession::Outcome::kInterrupted) {
      std::fprintf(stderr,
                   "mirrodex-cli: interrupted before the first picture: nothing recorded\n");
      return kExitDone;
    }
    return ReportOutcome(static_cast<int>(outcome), options);
  }

  MovieRecorder recorder(std::move(writer));
  const auto start = Clock::now();
  const uint64_t frameLimit = options.record.seconds ? uint64_t(*options.record.seconds) * 2 : 0;
  Picture picture;
  SnapshotSurface surface;
  uint64_t taken = 0;
  bool writable = true;
  outcome = CliSession::Outcome::kTimedOut;
  while (writable && outcome == CliSession::Outcome::kTimedOut &&
         (frameLimit == 0 || taken < frameLimit)) {
    (void)latest.Take(picture);
    const auto now = Clock::now();
    const MediaResult filled = surface.Fill(
        PictureView::Rgb555(picture.pixels.data(), picture.width, picture.height, picture.width),
        1);
    if (!filled) {
      std::fprintf(stderr, "mirrodex-cli: %s\n", filled.message.c_str());
      break;
    }
    writable = recorder.Offer(std::move(surface),
                              std::chrono::duration_cast<std::chrono::milliseconds>(now - start));
    if (++taken == 1) {
      std::printf("recording %s: %u x %u\n", options.output.c_str(), picture.width, picture.height);
      std::fflush(stdout);
    }
    outcome = session.WaitFor([] { return false; }, start + kFrameInterval * taken, &interrupted);
  }
  const MovieRecorder::Summary summary = recorder.Finish();
  session.Stop();

  if (!summary.failure && summary.failure.message != notifier.shown)
    std::fprintf(stderr, "mirrodex-cli: %s\n", summary.failure.message.c_str());
  if (!summary.finished) {
    if (summary.failure)
      std::fprintf(stderr, "mirrodex-cli: %s\n", summary.finished.message.c_str());
    return kExitFile;
  }
  std::printf("%s: %llu frames, %.1f s", options.output.c_str(),
              static_cast<unsigned long long>(summary.written), double(taken) * 0.5);
  if (summary.dropped > 0)
    std::printf(", %llu frames dropped (the encoder fell behind)",
                static_cast<unsigned long long>(summary.dropped));
  std::printf("\n");
  if (!summary.failure) return kExitFile;
  if (outcome == CliSession::Outcome::kDeviceEnded ||
      outcome == CliSession::Outcome::kListenFailed) {
    std::fprintf(stderr,
                 "mirrodex-cli: the device closed or lost the connection: the recording up to then "
                 "is complete\n");
    return kExitDevice;
  }
  return kExitDone;
}

}  // namespace mirrodex::cli
