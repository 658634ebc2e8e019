#include "TempSettingsFixture.h"

namespace mirrodex {
namespace {

using Profiles = test::TempSettingsFixture;

ConnectionProfile Unusual() {
  return {15, 3, 0, 0, 2, 6, false, 1, kConnTypeTcpIp, "192.168.1.20"};
}

TEST_F(Profiles, ProfilesReadTheirDefaultsUntilWrittenThenAllTenValues) {
  EXPECT_TRUE(store_.ListProfiles().isEmpty());
  const ConnectionProfile fresh = store_.ReadProfile(kDefaultProfileName, 5);
  EXPECT_EQ(fresh, (ConnectionProfile{6, 0, 50, 1, 1, 5, true, 9, kConnTypeActiveSync, ""}));
  EXPECT_FALSE(store_.ProfileExists(kDefaultProfileName));

  ASSERT_TRUE(store_.WriteProfile("Office", Unusual()));
  EXPECT_EQ(CSettingsStore(Path()).ReadProfile("Office", 2), Unusual());
  EXPECT_EQ(store_.ListProfileValues("Office").size(), 10);
}

TEST_F(Profiles, ListOrderIsStableAndIgnoresCase) {
  for (const char* name : {"beta", "Gamma", "<Default>", "alpha", "Alpha", "Zeta x"}) {
    ASSERT_TRUE(store_.WriteProfile(name, ConnectionProfile{}));
  }
  const QStringList expected{"<Default>", "Alpha", "alpha", "beta", "Gamma", "Zeta x"};
  EXPECT_EQ(store_.ListProfiles(), expected);
  EXPECT_EQ(CSettingsStore(Path()).ListProfiles(), expected);
}

TEST_F(Profiles, DeleteRemovesTheProfileWithEverythingBelowIt) {
  ASSERT_TRUE(store_.WriteProfile("Home", Unusual()));
  ASSERT_TRUE(store_.WriteProfile("Office", Unusual()));
  ASSERT_TRUE(store_.WriteInt("Profiles/Home/Extra/Deeper", "Value", 3));

  EXPECT_TRUE(store_.DeleteProfile("Home"));
  EXPECT_EQ(store_.ListProfiles(), QStringList{"Office"});
  EXPECT_FALSE(FileText().contains("Deeper"));
  EXPECT_EQ(store_.ReadProfile("Office", 0), Unusual());
  EXPECT_FALSE(store_.DeleteProfile("Home"));  // already gone
}

TEST_F(Profiles, NamesWithSeparatorsOrNoTextAreRefused) {
  ASSERT_TRUE(store_.WriteProfile("Home", Unusual()));
  for (const QString& bad : {QString(), QString("a/b"), QString("a\\b"), QString("/")}) {
    EXPECT_FALSE(store_.WriteProfile(bad, ConnectionProfile{})) << bad.toStdString();
    EXPECT_FALSE(store_.DeleteProfile(bad)) << bad.toStdString();
  }
  // An empty name must not address the whole "Profiles" section.
  EXPECT_EQ(store_.ListProfiles(), QStringList{"Home"});
  EXPECT_TRUE(store_.ProfileExists("Home"));
}

}  // namespace
}  // namespace mirrodex
