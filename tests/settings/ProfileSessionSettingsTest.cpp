#include "TempSettingsFixture.h"
#include "desktop/settings/ProfileSessionSettings.h"

namespace mirrodex {
namespace {

using ProfileSessionSettings = test::TempSettingsFixture;

void ExpectFields(const SessionSettings& s, Compressor compressor, uint32_t refreshMs,
                  uint32_t priority, uint32_t level, uint32_t method) {
  EXPECT_EQ(s.compressor, compressor);
  EXPECT_EQ(s.refreshMs, refreshMs);
  EXPECT_EQ(s.priority, priority);
  EXPECT_EQ(s.compressionLevel, level);
  EXPECT_EQ(s.codingMethod, method);
}

TEST_F(ProfileSessionSettings, MissingValuesTakeDefaultsAndStoredOnesFillTheirFields) {
  ExpectFields(ReadSessionSettings(store_, "nobody"), Compressor::kZlib, 50, 1, 9, 0);
  ConnectionProfile p;
  p.connection = 0;
  p.refreshRate = 250;
  p.priority = 3;
  p.deviceSpeed = 5;
  p.compressionType = 2;
  ASSERT_TRUE(store_.WriteProfile("Phone", p));
  ExpectFields(ReadSessionSettings(store_, "Phone"), Compressor::kBzip2, 250, 3, 5, 2);
}

TEST_F(ProfileSessionSettings, OutOfRangeValuesCannotSpillIntoOtherFields) {
  WriteRawFile(
      "[Profiles]\nOdd\\Connection=7\nOdd\\RefreshRate=-2\nOdd\\Priority=4\n"
      "Odd\\DeviceSpeed=0\nOdd\\CompressionType=9\n");
  // What the agent reads back is what the desktop meant, field by field.
  const auto packed = ReadSessionSettings(store_, "Odd").Pack();
  ExpectFields(SessionSettings::Parse(packed), Compressor::kZlib, 50, 1, 9, 0);
}

}  // namespace
}  // namespace mirrodex
