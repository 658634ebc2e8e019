#include <QFileInfo>
#include <climits>

#include "TempSettingsFixture.h"

namespace mirrodex {
namespace {

using StateValues = test::TempSettingsFixture;

TEST_F(StateValues, FreshStoreReadsEveryDefaultWithoutCreatingTheFile) {
  EXPECT_EQ(store_.GetText(setting::kScreenshotFolder), "");
  EXPECT_EQ(store_.GetText(setting::kVersion), "0.0");
  EXPECT_EQ(store_.GetText(setting::kScreenshotExtension), ".bmp");
  EXPECT_EQ(store_.GetText(setting::kFileManagerFolder), "");
  const std::pair<IntSetting, int> ints[] = {
      {setting::kAutoNameScreenshots, 0}, {setting::kZoom, 1},
      {setting::kHideFrame, 0},           {setting::kJpegQuality, 75},
      {setting::kAlwaysOnTop, 0},         {setting::kPlatformCode, 0},
      {setting::kSoftwareInstalled, 0},   {setting::kCurrentProfile, 0},
      {setting::kWindowStyle, 8},         {setting::kStyleOption1, 1},
      {setting::kStyleOption2, 0},        {setting::kStyleOption3, 1},
      {setting::kNoInstallOffer, 0}};
  for (const auto& [s, expected] : ints) EXPECT_EQ(store_.GetInt(s), expected) << s.id;
  EXPECT_TRUE(store_.GetFlag(61418));  // reminder flags start on
  EXPECT_FALSE(QFileInfo::exists(Path()));
}

TEST_F(StateValues, FirstWriteCreatesTheFileWithDecimalTextAndFlagsAsZeroOrOne) {
  ASSERT_TRUE(store_.SetInt(setting::kJpegQuality, -40));
  ASSERT_TRUE(store_.SetFlag(61419, true));
  const QByteArray text = FileText();
  EXPECT_TRUE(text.contains("[State]") && text.contains("1022=-40") && text.contains("61419=1"))
      << text.constData();
  EXPECT_EQ(CSettingsStore(Path()).GetInt(setting::kJpegQuality), -40);
  ASSERT_TRUE(store_.SetInt(61419, 5));
  EXPECT_TRUE(store_.GetFlag(61419));
}

TEST_F(StateValues, IntegerTextParsesByItsLeadingNumberWithinTheLengthLimit) {
  const std::pair<const char*, int> cases[] = {
      {"abc", 0},  // not a number: 0, not the default
      {"", 0},
      {"12abc", 12},
      {"  -7", -7},
      {"+15", 15},
      {"-2147483648", INT_MIN},
      {"99999999999", INT_MAX},  // 11 characters: read, saturated
      {"123456789012", 1234},    // 12 characters: too long, reads as missing
  };
  for (const auto& [stored, expected] : cases) {
    ASSERT_TRUE(store_.SetText(2000, QString::fromUtf8(stored)));
    EXPECT_EQ(store_.GetInt(2000, 1234), expected) << '"' << stored << '"';
  }
}

TEST_F(StateValues, TextLongerThanTheLimitReadsAsMissing) {
  const QString longest(setting::kMaxTextBytes / 2 - 1, u'x');
  ASSERT_TRUE(store_.SetText(setting::kScreenshotFolder, longest));
  EXPECT_EQ(store_.GetText(setting::kScreenshotFolder), longest);
  ASSERT_TRUE(store_.SetText(setting::kScreenshotFolder, longest + u'x'));
  EXPECT_EQ(store_.GetText(setting::kScreenshotFolder), "");
}

TEST_F(StateValues, HandEditedValuesThatAreNotOneTextReadAsMissing) {
  WriteRawFile("[State]\n1020=1, 2\n1022=@ByteArray(50)\n");
  EXPECT_EQ(store_.GetInt(setting::kZoom), 1);
  EXPECT_EQ(store_.GetInt(setting::kJpegQuality), 75);
}

TEST_F(StateValues, WritesToAnUncreatableFileReportFailure) {
  WriteRawFile("");
  CSettingsStore store(Path() + "/below-a-file.conf");  // fails even for root
  EXPECT_FALSE(store.SetInt(setting::kZoom, 2));
  EXPECT_EQ(store.GetInt(setting::kZoom), 1);
}

TEST_F(StateValues, VersionCheckRaisesBothFlagsOnceAndStoresTheVersion) {
  EXPECT_TRUE(store_.CheckVersion());
  EXPECT_EQ(store_.GetText(setting::kVersion), "1.0");
  EXPECT_EQ(store_.GetInt(setting::kVersionChanged), 1);
  EXPECT_EQ(store_.GetInt(setting::kVersionChangedNotice), 1);
  // The frame clears the flags; the next start must not raise them again.
  ASSERT_TRUE(store_.SetInt(setting::kVersionChanged, 0));
  EXPECT_FALSE(store_.CheckVersion());
  EXPECT_EQ(store_.GetInt(setting::kVersionChanged), 0);
  ASSERT_TRUE(store_.SetText(setting::kVersion, "1.0.1"));
  EXPECT_TRUE(store_.CheckVersion());
}

TEST_F(StateValues, StartupPlatformCodeComesFromTheInitFileElseTheSetting) {
  ASSERT_TRUE(store_.SetInt(setting::kPlatformCode, 7));
  EXPECT_EQ(store_.LoadStartupPlatformCode(dir_.filePath("missing.init")), 7);
  QFile init(dir_.filePath("mirrodex.init"));
  ASSERT_TRUE(init.open(QIODevice::WriteOnly));
  init.close();
  EXPECT_EQ(store_.LoadStartupPlatformCode(init.fileName()), 7);  // empty: no code in it
  ASSERT_TRUE(init.open(QIODevice::WriteOnly));
  ASSERT_EQ(init.write("\x05rest", 5), 5);
  init.close();
  EXPECT_EQ(store_.LoadStartupPlatformCode(init.fileName()), 5);
  EXPECT_EQ(store_.GetInt(setting::kPlatformCode), 5);
}

TEST(DefaultStore, UsesTheVendorAndProductFile) {
  EXPECT_TRUE(CSettingsStore().FileName().endsWith("/Ostvale/Mirrodex.conf"));
}

}  // namespace
}  // namespace mirrodex
