#include "cli/TransferPrinter.h"

#include <unistd.h>

namespace mirrodex::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBarWidth = 30;

std::string Amount(double bytes) {
  char text[32];
  if (bytes >= 1048576.0) {
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576.0);
  } else if (bytes >= 1024.0) {
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  }
  return text;
}

}  // namespace

TransferPrinter::TransferPrinter(std::string label, std::FILE* out)
    : label_(std::move(label)), out_(out), terminal_(::isatty(::fileno(out)) == 1), nextLine_(Clock::now()) {}

void TransferPrinter::Show(const TransferProgress& progress) {
  last_ = progress;
  const auto now = Clock::now();
  if (now < nextLine_) return;
  const std::string rate = Amount(progress.bytesPerSecond) + "/s";
  if (terminal_) {
    nextLine_ = now + std::chrono::milliseconds(100);
    std::string bar;
    if (progress.totalBytes > 0) {
      const int filled = static_cast<int>(kBarWidth * progress.bytesDone / progress.totalBytes);
      bar = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
    }
    const std::string total = progress.totalBytes > 0 ? " / " + Amount(static_cast<double>(progress.totalBytes)) : "";
    std::fprintf(out_, "\r%s %s%s%s  %s\033[K", label_.c_str(), bar.c_str(),
                 Amount(static_cast<double>(progress.bytesDone)).c_str(), total.c_str(), rate.c_str());
    drawn_ = true;
  } else {
    nextLine_ = now + std::chrono::seconds(1);
    std::fprintf(out_, "%s: %llu bytes, %s\n", label_.c_str(), static_cast<unsigned long long>(progress.bytesDone),
                 rate.c_str());
  }
  std::fflush(out_);
}

void TransferPrinter::Finish(const TransferResult& result) {
  if (drawn_) std::fputc('\n', out_);
  if (result) {
    std::fprintf(out_, "%s: %llu bytes%s, %s/s\n", label_.c_str(), static_cast<unsigned long long>(result.bytes),
                 result.stopped ? " (stopped)" : "", Amount(last_.bytesPerSecond).c_str());
  }
  std::fflush(out_);
}

}  // namespace mirrodex::cli
