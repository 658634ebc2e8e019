// mirrodex-transfer-measure: acts as the desktop on the product ports, waits for an agent
// (waking HOST when given), and measures session copies both ways and confirmed taps.
//   mirrodex-transfer-measure [--wake HOST] [--mib N] [--runs R] [--taps T]
// Prints the median rate of R pushes and pulls of N MiB of random bytes (each pulled copy
// compared with what was pushed), and the median and 95th percentile of T taps, each timed
// from queueing the pointer words to the answer of the status request queued after them.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "desktop/files/DeviceTransfer.h"
#include "desktop/session/ConnectionController.h"
#include "desktop/session/DeviceRequester.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;

class Desktop : public SessionOwner {
 public:
  Desktop() : controller_(*this, decoder_, SessionConfig{}) { controller_.CreateSessions(false); }
  bool AwaitDevice(int seconds) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!controller_.BothConnected()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  DeviceRequester::Sender Sender() {
    return [this](uint32_t code, std::span<const uint8_t> payload) {
      return controller_.BothConnected() && controller_.QueueRequest(code, payload);
    };
  }
  ReplyDispatcher& Dispatcher() { return dispatcher_; }
  ConnectionController& Controller() { return controller_; }

 private:
  void OnEvent(uint32_t code) override {
    if (code == kEventEnded || code == kEventError) dispatcher_.ConnectionLost();
  }
  void OnData(std::span<const uint8_t> buffer) override { dispatcher_.Dispatch(buffer); }

  ScreenDecoder decoder_;
  ReplyDispatcher dispatcher_;
  ConnectionController controller_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
  return values[index];
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y), {});
}

int Run(int argc, char** argv) {
  std::string wake;
  size_t mib = 100;
  int runs = 3;
  int taps = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--wake") wake = argv[i + 1];
    else if (option == "--mib") mib = std::stoul(argv[i + 1]);
    else if (option == "--runs") runs = std::stoi(argv[i + 1]);
    else if (option == "--taps") taps = std::stoi(argv[i + 1]);
  }
  Desktop desktop;
  if (!wake.empty() && !desktop.Controller().WakeDevice(wake)) return 3;
  if (!desktop.AwaitDevice(30)) {
    std::fprintf(stderr, "no device connected within 30 s\n");
    return 2;
  }
  const std::string folder = "/tmp/mirrodex-measure-" + std::to_string(::getpid());
  ::mkdir(folder.c_str(), 0700);
  const std::string source = folder + "/source.bin";
  const std::string copy = folder + "/copy.bin";
  {
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 17);
    std::ofstream out(source, std::ios::binary);
    for (size_t written = 0; written < mib << 20; written += block.size() * 8) {
      for (auto& v : block) v = random();
      out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
  }
  DeviceFileSource device(desktop.Dispatcher(), desktop.Sender());
  DeviceTransfer transfer(device);
  std::vector<double> pushRates, pullRates;
  int status = 0;
  for (int run = 0; run < runs; ++run) {
    auto started = Clock::now();
    const TransferResult pushed = transfer.CopyToDevice(source, "\\mirrodex-measure.bin", {});
    const double pushSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    started = Clock::now();
    const TransferResult pulled = transfer.CopyFromDevice("\\mirrodex-measure.bin", copy, {});
    const double pullSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (!pushed || !pulled) {
      std::fprintf(stderr, "run %d failed: %s / %s\n", run + 1, pushed.result.Describe().c_str(),
                   pulled.result.Describe().c_str());
      return 4;
    }
    const bool intact = SameFiles(source, copy);
    status |= intact ? 0 : 1;
    pushRates.push_back(static_cast<double>(pushed.bytes) / pushSeconds / 1e6);
    pullRates.push_back(static_cast<double>(pulled.bytes) / pullSeconds / 1e6);
    std::printf("run %d: push %.1f MB/s, pull %.1f MB/s, %s\n", run + 1, pushRates.back(), pullRates.back(),
                intact ? "intact" : "DIFFERENT");
  }
  if (runs > 0) {
    std::printf("median of %d runs, %zu MiB: push %.1f MB/s, pull %.1f MB/s\n", runs, mib, Median(pushRates),
                Median(pullRates));
  }
  (void)device.DeleteFile("\\mirrodex-measure.bin");
  ::unlink(source.c_str());
  ::unlink(copy.c_str());
  ::rmdir(folder.c_str());

  std::vector<double> latencies;
  static constexpr uint8_t kNoPayload[] = {0x20};
  for (int i = 0; i < taps; ++i) {
    const uint32_t x = 20 + static_cast<uint32_t>(i % 10) * 5;
    const auto started = Clock::now();
    desktop.Controller().QueuePointer(x, 40, PointerAction::kLeftDown);
    desktop.Controller().QueuePointer(x, 40, PointerAction::kLeftUp);
    DeviceRequester requester(desktop.Dispatcher(), desktop.Sender(), DeviceRequester::Role::kCurrent);
    if (requester.Exchange(kRequestStatus, kNoPayload) != ExchangeStatus::kOk) {
      std::fprintf(stderr, "tap %d was not confirmed\n", i + 1);
      return 4;
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
  }
  if (taps > 0) {
    std::printf("%d confirmed taps: median %.1f ms, 95th percentile %.1f ms, worst %.1f ms\n", taps,
                Median(latencies), Percentile(latencies, 0.95), *std::max_element(latencies.begin(), latencies.end()));
  }
  desktop.Controller().StopSessions();
  return status;
}

}  // namespace
}  // namespace mirrodex

int main(int argc, char** argv) { return mirrodex::Run(argc, argv); }
