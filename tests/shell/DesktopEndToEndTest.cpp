// mirrodex with the real device side on two private X servers: the demo device with
// mirrodex-host on one, the desktop program on the other. `--profile P --start` wakes the
// host, the window shows the device picture (at zoom 1 and doubled at zoom 2), a click and
// typed text reach the device, Stop returns to listening, a restarted host brings the picture
// back by itself, and a second start leaves one program.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>  // for HostProcess.h

#include "tests/host/HostProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/XvfbServer.h"
#include "tools/demo-device/DemoLayout.h"

namespace mirrodex::test {
namespace {

using namespace std::chrono_literals;

// Polls `done` every 100 ms until it holds or `limit` passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// Runs mirrodex-xwin on a display; returns its standard output, empty on failure.
std::string Xwin(const std::string& display, const std::string& args, bool* ok = nullptr) {
  const std::string command = "DISPLAY=" + display + " " MIRRODEX_XWIN " " + args + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = pipe ? ::pclose(pipe) : -1;
  if (ok) *ok = status == 0;
  return status == 0 ? out : std::string();
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

class DesktopEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    device_ = XvfbServer::Start({240, 320, 16}, error);
    ASSERT_TRUE(device_) << error;
    desktop_ = XvfbServer::Start({1280, 1600, 24}, error);
    ASSERT_TRUE(desktop_) << error;
    char folder[] = "/tmp/mirrodex-e2e-XXXXXX";
    ASSERT_TRUE(::mkdtemp(folder));
    folder_ = folder;
    ScopedEnv display("DISPLAY", device_->DisplayName());
    demo_ = std::make_unique<HostProcess>(MIRRODEX_DEMO_DEVICE, std::vector<std::string>{});
    StartHost(false);
  }
  void TearDown() override {
    desktopProgram_.reset();
    host_.reset();
    demo_.reset();
    if (!folder_.empty()) std::system(("rm -rf " + folder_).c_str());
  }

  void StartHost(bool connectBack) {
    ScopedEnv display("DISPLAY", device_->DisplayName());
    std::vector<std::string> args{"--fb", device_->FramebufferFile(), "--root", folder_};
    if (connectBack)
      args.insert(args.end(), {"-b127.0.0.1", "--retry", "1"});
    else
      args.insert(args.end(), {"--retry", "0"});
    host_ = std::make_unique<HostProcess>(MIRRODEX_BIN_DIR "/mirrodex-host", args);
  }
  std::unique_ptr<HostProcess> StartDesktop(const std::vector<std::string>& args) {
    ScopedEnv display("DISPLAY", desktop_->DisplayName());
    ScopedEnv config("XDG_CONFIG_HOME", folder_ + "/config");
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder_);
    // The test suite runs with the offscreen platform; this program must show a real window.
    ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    return std::make_unique<HostProcess>(MIRRODEX_BIN_DIR "/mirrodex", args);
  }

  bool FindWindow(Rect& r) {
    std::istringstream in(Xwin(desktop_->DisplayName(), "find 'Mirrodex - P'"));
    return static_cast<bool>(in >> r.x >> r.y >> r.w >> r.h);
  }
  // Where the device's screen (scaled by `zoom`) shows in the window, and the largest channel
  // difference there.
  bool LocateDevice(int zoom, Rect& window, int& px, int& py, int& diff) {
    if (!FindWindow(window)) return false;
    const std::string devicePng = folder_ + "/device.png", windowPng = folder_ + "/window.png";
    bool ok = false;
    Xwin(device_->DisplayName(), "grab " + devicePng, &ok);
    if (!ok) return false;
    if (zoom == 2) {
      QImage image(QString::fromStdString(devicePng));
      image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(QString::fromStdString(devicePng));
    }
    std::ostringstream rect;
    rect << window.x << ' ' << window.y << ' ' << window.w << ' ' << window.h;
    Xwin(desktop_->DisplayName(), "grab " + windowPng + " " + rect.str(), &ok);
    if (!ok) return false;
    std::istringstream in(Xwin("", "locate " + devicePng + " " + windowPng));
    return static_cast<bool>(in >> px >> py >> diff);
  }
  // The window shows the device's screen: every pixel within the 5 bits per channel the
  // desktop's frame buffer keeps.
  bool ShowsDevice(int zoom = 1) {
    Rect w;
    int px = -1, py = -1, diff = 255;
    const bool found = LocateDevice(zoom, w, px, py, diff);
    lastLook_ = "window " + std::to_string(w.x) + "," + std::to_string(w.y) + " " + std::to_string(w.w) + "x" +
                std::to_string(w.h) + ", picture at " + std::to_string(px) + "," + std::to_string(py) +
                ", difference " + std::to_string(diff);
    return found && diff <= 12;
  }
  std::string lastLook_;
  QImage DeviceRegion(const demo::Rect& r) {
    const std::string file = folder_ + "/region.png";
    Xwin(device_->DisplayName(), "grab " + file + " " + std::to_string(r.x) + " " + std::to_string(r.y) + " " +
                                     std::to_string(r.width) + " " + std::to_string(r.height));
    return QImage(QString::fromStdString(file));
  }
  std::string DevicePixel(int x, int y) { return Xwin(device_->DisplayName(), "pixel " + std::to_string(x) + " " + std::to_string(y)); }

  std::unique_ptr<XvfbServer> device_, desktop_;
  std::string folder_;
  std::unique_ptr<HostProcess> demo_, host_, desktopProgram_;
};

TEST_F(DesktopEndToEnd, StartShowsWorksStopsAndFollowsTheDevice) {
  desktopProgram_ = StartDesktop({"--profile", "P", "--tcp-host", "127.0.0.1", "--start"});
  ASSERT_TRUE(WaitFor([&] { return ShowsDevice(); })) << lastLook_ << "\ndesktop:\n" << desktopProgram_->Log() << "host:\n" << host_->Log();

  // A click on the first button lands on that device pixel: the button changes colour.
  const auto layout = demo::DemoLayout::For(240, 320);
  const auto& button = layout.buttons[0];
  const int cx = button.x + button.width / 2, cy = button.y + button.height / 2;
  const std::string before = DevicePixel(cx, cy);
  Rect w;
  int px = 0, py = 0, diff = 0;
  ASSERT_TRUE(LocateDevice(1, w, px, py, diff));
  Xwin(desktop_->DisplayName(), "click " + std::to_string(w.x + px + cx) + " " + std::to_string(w.y + py + cy));
  EXPECT_TRUE(WaitFor([&] { return DevicePixel(cx, cy) != before; }, 10s));

  // Typed text arrives in the demo's text field (the pointer is over the window, which has
  // the keyboard).
  const auto& field = layout.textField;
  const QImage fieldBefore = DeviceRegion(field);
  ASSERT_FALSE(fieldBefore.isNull());
  Xwin(desktop_->DisplayName(), "type abc");
  EXPECT_TRUE(WaitFor([&] { return DeviceRegion(field) != fieldBefore; }, 10s));

  // Zoom X 2 doubles the picture; back to zoom 1.
  Xwin(desktop_->DisplayName(), "key ctrl+2");
  EXPECT_TRUE(WaitFor([&] { return ShowsDevice(2); }, 15s));
  Xwin(desktop_->DisplayName(), "key ctrl+2");
  ASSERT_TRUE(WaitFor([&] { return ShowsDevice(1); }, 15s));

  // Stop: the idle picture, and the sessions listen again (a new Start connects once the
  // host has seen the end of the first connection; it ignores wake-ups until then).
  const auto ends = [&] {
    const std::string log = host_->Log();
    size_t n = 0;
    for (size_t at = log.find("session ended"); at != std::string::npos; at = log.find("session ended", at + 1)) ++n;
    return n;
  };
  const size_t endsBefore = ends();
  Xwin(desktop_->DisplayName(), "key F5");
  EXPECT_TRUE(WaitFor([&] {
    Rect r;
    int x, y, d = 0;
    return LocateDevice(1, r, x, y, d) && d > 40;
  }, 15s));
  EXPECT_TRUE(WaitFor([&] { return ends() >= endsBefore + 2; }, 15s)) << host_->Log();
  Xwin(desktop_->DisplayName(), "key F5");
  ASSERT_TRUE(WaitFor([&] { return ShowsDevice(); })) << host_->Log();

  // The host is killed and restarted: the picture comes back without touching the desktop.
  host_.reset();
  EXPECT_TRUE(WaitFor([&] { return Xwin(desktop_->DisplayName(), "find 'Mirrodex - P (waiting for the device)'") != ""; }, 15s));
  StartHost(true);
  EXPECT_TRUE(WaitFor([&] { return ShowsDevice(); })) << host_->Log();

  // A second start raises the first and ends; one program stays.
  auto second = StartDesktop({});
  EXPECT_EQ(second->Wait(20000), 0) << second->Log();
  Rect still;
  EXPECT_TRUE(FindWindow(still));

  EXPECT_EQ(desktopProgram_->Stop(20000), 0) << desktopProgram_->Log();
}

}  // namespace
}  // namespace mirrodex::test
