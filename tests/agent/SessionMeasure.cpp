// Measures the agent's screen session against the desktop session layer in one process:
// images per second on a screen that changes all the time, and the delay from a change of
// the screen to the desktop's frame showing it. Prints figures; asserts nothing.
// usage: agent_session_measure [seconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "agent/CAgent.h"
#include "agent/capture/CMemoryScrCap.h"
#include "tests/agent/AgentTestSupport.h"
#include "tests/agent/DesktopPeer.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint16_t> Scene(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint16_t> pixels(size_t{width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      pixels[size_t{y} * width + x] = static_cast<uint16_t>(((x / 16 + y / 16 + seed) * 2654435761u) >> 9);
    }
  }
  return pixels;
}

void Measure(uint32_t width, uint32_t height, uint32_t refreshMs, int seconds) {
  uint16_t commandPort = 0, screenPort = 0;
  test::FreePorts(commandPort, screenPort);
  SessionSettings settings;
  settings.refreshMs = refreshMs;
  test::DesktopPeer desktop(commandPort, screenPort, settings);
  desktop.Listen();
  CMemoryScrCap* screen = nullptr;
  AgentOptions options;
  options.commandPort = commandPort;
  options.screenPort = screenPort;
  options.makeCapture = [&](const AgentConfig&) {
    auto capture = std::make_unique<CMemoryScrCap>(width, height, kColourRgb565);
    screen = capture.get();
    return capture;
  };
  CAgent agent(std::move(options));
  if (!agent.Initialise(nullptr, nullptr)) return;
  while (!desktop.controller->BothConnected()) {
    (void)agent.Start(u"127.0.0.1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Latency: one change at a time on a still screen.
  double totalMs = 0;
  int samples = 0;
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    const auto pixels = Scene(width, height, seed);
    const auto expected = test::DesktopPeer::Expected(kColourRgb565, pixels);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = Clock::now();
    screen->SetPixels(pixels);
    if (!desktop.WaitPicture(expected, 10000)) continue;
    totalMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ++samples;
  }
  // Throughput: the screen changes faster than the agent can send.
  std::atomic<bool> running{true};
  std::thread painter([&] {
    for (uint32_t seed = 100; running; ++seed) {
      screen->SetPixels(Scene(width, height, seed));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const uint32_t before = desktop.Frames();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const uint32_t frames = desktop.Frames() - before;
  running = false;
  painter.join();
  std::printf("%4u x %-4u refresh %2u ms: %6.1f images/s, change-to-frame latency %6.1f ms (%d samples)\n",
              width, height, refreshMs, frames / static_cast<double>(seconds),
              samples ? totalMs / samples : 0.0, samples);
  (void)agent.Stop();
}

}  // namespace
}  // namespace mirrodex

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 3;
  for (auto [w, h] : {std::pair{240u, 320u}, std::pair{800u, 480u}}) {
    for (uint32_t refresh : {0u, 50u}) mirrodex::Measure(w, h, refresh, seconds);
  }
  return 0;
}
