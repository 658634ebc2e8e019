// mirrodex-host with the agent on a private Xvfb screen and a file root of its own, and the
// desktop's session layer connected to it on the product ports, replies going through a
// reply dispatcher. Tests using it hold the ports' resource lock.
#pragma once

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "desktop/session/ConnectionController.h"
#include "desktop/session/DeviceRequester.h"
#include "desktop/session/ReplyDispatcher.h"
#include "tests/host/HostProcess.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex::test {

class HostDevice : private SessionOwner {
 public:
  // Starts Xvfb and the host. With `connectBack` the host keeps connecting to this machine's
  // sessions (Connect); without, it waits for a wake-up from 127.0.0.1.
  bool Start(std::string& error, bool connectBack = true) {
    server_ = XvfbServer::Start({240, 320, 24}, error);
    if (!server_) return false;
    root_ = std::filesystem::temp_directory_path() / ("mirrodex-host-root-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    ::setenv("DISPLAY", server_->DisplayName().c_str(), 1);  // the host's agent types and pastes here
    std::vector<std::string> args{"--allow", "127.0.0.1", "--fb", server_->FramebufferFile(), "--root", root_.string()};
    if (connectBack) args.insert(args.end(), {"-b127.0.0.1", "--retry", "1"});
    host_ = std::make_unique<HostProcess>(std::string(MIRRODEX_BIN_DIR) + "/mirrodex-host", args);
    if (connectBack) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (host_->Log().find("waiting for wake-ups") == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) {
        error = "the host does not wait for wake-ups: " + host_->Log();
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // Listens on the product ports and waits until the agent's both sessions are connected.
  bool Connect(int timeoutMs = 30000) {
    SessionOwner& owner = *this;
    controller_ = std::make_unique<ConnectionController>(owner, decoder_, SessionConfig{});
    controller_->CreateSessions(false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!controller_->BothConnected()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  ~HostDevice() override {
    controller_.reset();
    host_.reset();
    server_.reset();
    std::filesystem::remove_all(root_);
  }

  DeviceRequester::Sender Sender() {
    return [this](uint32_t code, std::span<const uint8_t> payload) {
      return controller_ && controller_->BothConnected() && controller_->QueueRequest(code, payload);
    };
  }
  ReplyDispatcher& Dispatcher() { return dispatcher_; }
  ConnectionController& Controller() { return *controller_; }
  const std::filesystem::path& Root() const { return root_; }
  const XvfbServer& Server() const { return *server_; }
  std::string HostLog() const { return host_ ? host_->Log() : ""; }
  // Ends the host, as a device that leaves.
  void StopHost() {
    if (host_) host_->Stop();
  }

 private:
  void OnEvent(uint32_t code) override {
    if (code == kEventEnded || code == kEventError) dispatcher_.ConnectionLost();
  }
  void OnData(std::span<const uint8_t> buffer) override { dispatcher_.Dispatch(buffer); }

  std::unique_ptr<XvfbServer> server_;
  std::filesystem::path root_;
  std::unique_ptr<HostProcess> host_;
  ScreenDecoder decoder_;
  ReplyDispatcher dispatcher_;
  std::unique_ptr<ConnectionController> controller_;
};

}  // namespace mirrodex::test
