// The movie file dialog's rules without its widgets: controls and lists by type, the choices
// kept between openings, the extension rule, and what OK stores in the settings.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "desktop/media/FourCc.h"
#include "desktop/media/MovieFileChoices.h"
#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

class MovieFileChoicesTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove(ini); }
  void TearDown() override { fs::remove(ini); }
  const fs::path ini =
      fs::temp_directory_path() / ("mirrodex-choices-" + std::to_string(::getpid()) + ".ini");
  CSettingsStore settings{QString::fromStdString(ini.string())};
  MovieFileChoices choices{settings};
};

TEST_F(MovieFileChoicesTest, MovieModeShowsTheTypesControlsAndKeepsItsChoices) {
  ASSERT_TRUE(settings.SetInt(setting::kJpegQuality, 40));
  choices.Open(MovieFileChoices::Mode::kMovie);
  EXPECT_EQ(choices.Type(), MovieType::kWmv);
  auto shown = choices.Shown();
  EXPECT_TRUE(shown.profile);
  EXPECT_FALSE(shown.configure || shown.quality || shown.autoNames);
  EXPECT_EQ(choices.QualityIndex(), 7);  // 40 from setting 1022

  choices.ChangeType(1);
  shown = choices.Shown();
  EXPECT_TRUE(shown.configure);
  EXPECT_FALSE(shown.quality);
  EXPECT_EQ(choices.Item(), choices.Profiles().at(0).item);  // entry 0 selected

  choices.ChangeType(2);
  shown = choices.Shown();
  EXPECT_TRUE(shown.quality && shown.qualityEnabled);
  EXPECT_FALSE(shown.configure);
  ASSERT_EQ(choices.Profiles().size(), 13u);
  choices.SelectProfile(9);
  EXPECT_EQ(choices.Item(), FourCcHighFirst("png_"));
  choices.SelectQuality(19);
  EXPECT_EQ(choices.Accept("/videos", "clip", 0), "/videos/clip.mov");
  EXPECT_EQ(choices.Folder(), "/videos/");
  EXPECT_EQ(choices.Quality(), 100);
  EXPECT_EQ(settings.GetInt(setting::kJpegQuality), 40);  // videos do not store it
  // A dot anywhere in the path keeps the name as typed.
  EXPECT_EQ(choices.Accept("/home/a.b/", "clip", 0), "/home/a.b/clip");

  choices.Open(MovieFileChoices::Mode::kMovie);
  EXPECT_EQ(choices.Type(), MovieType::kMov);  // the last type, its first entry again
  EXPECT_EQ(choices.Item(), FourCcHighFirst("raw_"));
  EXPECT_EQ(choices.QualityIndex(), 7);
  choices.ChangeType(3);
  EXPECT_TRUE(choices.Shown().quality);
}

TEST_F(MovieFileChoicesTest, ImageModeStoresTheScreenshotSettingsOnOk) {
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  ASSERT_TRUE(settings.SetText(setting::kScreenshotExtension, ".BMP"));
  choices.Open(MovieFileChoices::Mode::kImage);
  EXPECT_EQ(choices.TypeIndex(), MovieFileChoices::kBmpType);
  auto shown = choices.Shown();
  EXPECT_TRUE(shown.autoNames && shown.quality);
  EXPECT_FALSE(shown.qualityEnabled || shown.profile || shown.configure);
  EXPECT_FALSE(choices.AutoNames());

  choices.ChangeType(MovieFileChoices::kJpegType);
  EXPECT_TRUE(choices.Shown().qualityEnabled);
  choices.SelectQuality(11);
  EXPECT_EQ(choices.Accept("/shots", "picture.png", 0), "/shots/picture.jpg");
  EXPECT_EQ(settings.GetInt(setting::kJpegQuality), 60);
  EXPECT_EQ(settings.GetText(setting::kScreenshotExtension).toStdString(), ".jpg");
  EXPECT_EQ(settings.GetText(setting::kScreenshotFolder).toStdString(), "/shots/");
  EXPECT_EQ(settings.GetInt(setting::kAutoNameScreenshots), 0);

  choices.Open(MovieFileChoices::Mode::kImage);
  EXPECT_EQ(choices.TypeIndex(), MovieFileChoices::kJpegType);
  choices.ChangeType(MovieFileChoices::kBmpType);
  choices.SetAutoNames(true);
  const std::time_t jan2 = 1767323045;  // 2026-01-02 03:04:05 UTC
  EXPECT_EQ(choices.Accept("/shots/", "ignored", jan2), "/shots/0102030405.bmp");
  EXPECT_EQ(settings.GetInt(setting::kAutoNameScreenshots), 1);
  EXPECT_EQ(settings.GetInt(setting::kJpegQuality), 60);  // BMP leaves the JPEG quality
}

}  // namespace
}  // namespace mirrodex
