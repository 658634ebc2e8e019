// The status request read from memory and power-supply trees written by the test.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "agent/services/StatusService.h"
#include "protocol/LittleEndian.h"

namespace mirrodex::test {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

class StatusServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mirrodex-status-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    sources_.meminfo = (base_ / "meminfo").string();
    sources_.powerSupplies = (base_ / "power_supply").string();
    rootFd_ = ::open(base_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  void TearDown() override {
    ::close(rootFd_);
    fs::remove_all(base_);
  }

  void AddSupply(const std::string& name, const std::string& type, const std::string& capacity,
                 const std::string& scope = "") {
    WriteText(base_ / "power_supply" / name / "type", type + "\n");
    if (!capacity.empty()) WriteText(base_ / "power_supply" / name / "capacity", capacity + "\n");
    if (!scope.empty()) WriteText(base_ / "power_supply" / name / "scope", scope + "\n");
  }

  std::array<uint32_t, 5> Values(StatusService& service) {
    ByteBuffer reply;
    service.Serve(reply);
    EXPECT_EQ(reply.Size(), 24u);
    EXPECT_EQ(LoadU32(reply.Data()), 0x1300000u);
    std::array<uint32_t, 5> values{};
    for (size_t i = 0; i < 5 && 4 + 4 * (i + 1) <= reply.Size(); ++i) values[i] = LoadU32(reply.Data() + 4 + 4 * i);
    return values;
  }

  fs::path base_;
  StatusService::Sources sources_;
  int rootFd_ = -1;
};

TEST_F(StatusServiceTest, ReportsMemoryLoadStoreAndBatteries) {
  WriteText(base_ / "meminfo", "MemTotal:        1000000 kB\nMemFree:  100 kB\nMemAvailable:     250000 kB\n");
  AddSupply("AC", "Mains", "");
  AddSupply("hidpp_battery_0", "Battery", "40", "Device");  // a wireless mouse
  AddSupply("BAT0", "Battery", "87");
  AddSupply("backup-battery", "Battery", "12");
  StatusService service(rootFd_, sources_);
  const auto values = Values(service);
  EXPECT_EQ(values[0], 75u);
  EXPECT_GT(values[2], 0u);
  EXPECT_LE(values[1], values[2]);
  EXPECT_EQ(values[3], 87u);
  EXPECT_EQ(values[4], 12u);
}

TEST_F(StatusServiceTest, UnknownBatteriesAre255AndOlderKernelsStillGiveALoad) {
  WriteText(base_ / "meminfo", "MemTotal: 2000 kB\nMemFree: 500 kB\nBuffers: 100 kB\nCached: 400 kB\n");
  AddSupply("BAT1", "Battery", "");  // no charge reading
  StatusService service(rootFd_, sources_);
  const auto values = Values(service);
  EXPECT_EQ(values[0], 50u);
  EXPECT_EQ(values[3], 255u);
  EXPECT_EQ(values[4], 255u);
}

TEST_F(StatusServiceTest, UnreadableSourcesKeepThePreviousValues) {
  WriteText(base_ / "meminfo", "MemTotal: 1000 kB\nMemAvailable: 900 kB\n");
  StatusService service(rootFd_, sources_);
  EXPECT_EQ(Values(service)[0], 10u);
  fs::remove(base_ / "meminfo");
  EXPECT_EQ(Values(service)[0], 10u);

  StatusService withoutRoot(-1, sources_);
  const auto values = Values(withoutRoot);
  EXPECT_EQ(values[0], 0u);  // nothing read yet
  EXPECT_EQ(values[1], 0u);
  EXPECT_EQ(values[2], 0u);
}

}  // namespace
}  // namespace mirrodex::test
