#include <cstdio>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "desktop/media/JpegWriter.h"
#include "desktop/media/Screenshot.h"

namespace mirrodex::cli {

int RunSnapshot(const CliOptions& options, const SessionConfig& config) {
  CliSession session(config);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  if (const int code = StartAndAwaitDevice(session, options, deadline); code != kExitDone) {
    return code;
  }
  const auto outcome = session.WaitFor([&] { return session.FirstPicture().has_value(); }, deadline);
  if (outcome == CliSession::Outcome::kTimedOut) {
    std::fprintf(stderr,
                 "mirrodex-cli: the device connected but sent no complete picture within %d s: "
                 "check the agent on the device or give a longer --timeout\n",
                 options.timeoutSeconds);
    return kExitDevice;
  }
  if (outcome != CliSession::Outcome::kReady) return ReportOutcome(static_cast<int>(outcome), options);
  // The picture is complete and no longer changes: the session thread copies only once.
  const Picture& picture = *session.FirstPicture();
  session.Stop();
  const MediaResult written = SaveScreenshot(
      PictureView::Rgb555(picture.pixels.data(), picture.width, picture.height, picture.width), 1,
      options.output, options.quality.value_or(kDefaultJpegQuality));
  if (!written) {
    std::fprintf(stderr, "mirrodex-cli: %s\n", written.message.c_str());
    return kExitFile;
  }
  std::printf("%s: %u x %u\n", options.output.c_str(), picture.width, picture.height);
  return kExitDone;
}

}  // namespace mirrodex::cli
