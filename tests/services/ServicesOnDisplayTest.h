// A fixture for services tests that need a display: one private X server per test suite and
// fresh services on it for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "agent/services/CLinuxFileManager.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex::test {

class ServicesOnDisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    server_ = XvfbServer::Start({}, error);
    if (!server_) FAIL() << error;
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    ASSERT_NE(server_, nullptr);
    FileManagerConfig config;
    config.fileRoot = ::testing::TempDir();
    config.displayName = server_->DisplayName();
    services_ = std::make_unique<CLinuxFileManager>(config);
  }

  static const std::string& DisplayName() { return server_->DisplayName(); }

  inline static std::unique_ptr<XvfbServer> server_;
  std::unique_ptr<CLinuxFileManager> services_;
};

}  // namespace mirrodex::test
