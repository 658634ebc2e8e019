// The movie file dialog as the user sees it, on the offscreen platform: which extra controls a
// type shows, the quality list and setting 1022, the extension rule, automatic screenshot names,
// and the AVI compressors' own remembered settings.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/media/AviCompressorPrefs.h"
#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"
#include "desktop/media/MovCodecTypes.h"
#include "desktop/media/dialog/AviConfigureDialog.h"
#include "desktop/media/dialog/CMovieFileDlg.h"
#include "desktop/settings/CSettingsStore.h"
#include "tests/dialogs/ScriptedPrompter.h"

using namespace mirrodex;
using Mode = MovieFileChoices::Mode;

namespace {

void SavePicture(QWidget& widget, const QString& name) {
  widget.show();
  QVERIFY(QTest::qWaitForWindowExposed(&widget));
  const QString dir = qEnvironmentVariable("MIRRODEX_PICTURE_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  QVERIFY(widget.grab().save(dir + "/" + name + ".png"));
}

bool Shown(QWidget* w) { return !w->isHidden(); }

}  // namespace

class MovieFileDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Folder(const QString& name) {
    QDir(dir_.path()).mkpath(name);
    return dir_.path() + "/" + name;
  }

 private slots:
  void init() { QFile::remove(dir_.path() + "/Mirrodex.conf"); }

  void eachTypeShowsItsControls() {
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    CMovieFileDlg dialog(store, prompter);
    dialog.Prepare(Mode::kMovie, "clip");
    QCOMPARE(dialog.windowTitle(), QString("Save File As ..."));
    QCOMPARE(dialog.nameFilters().size(), 4);
    QCOMPARE(dialog.selectedNameFilter(), QString("WMV Files (*.wmv)"));  // type index 0 at first
    QVERIFY(Shown(dialog.ProfileList()) && Shown(dialog.ProfileLabel()));
    QVERIFY(!Shown(dialog.ConfigureButton()) && !Shown(dialog.QualityList()) && !Shown(dialog.AutoNamesBox()));

    dialog.SelectType(1);  // AVI: Configure, no quality
    QVERIFY(Shown(dialog.ConfigureButton()) && !Shown(dialog.QualityList()) && !Shown(dialog.QualityLabel()));
    QCOMPARE(dialog.ProfileList()->count(), static_cast<int>(InstalledAviCompressors().size()));
    dialog.SelectType(2);  // MOV: quality, no Configure; its thirteen codec types
    QVERIFY(!Shown(dialog.ConfigureButton()) && Shown(dialog.QualityList()) && Shown(dialog.QualityLabel()));
    QCOMPARE(dialog.ProfileList()->count(), 13);
    QCOMPARE(dialog.ProfileList()->itemText(4), QString("JPEG B"));
    QCOMPARE(dialog.ProfileList()->currentIndex(), 0);
    SavePicture(dialog, "movie_file_dialog_mov");

    // The user's pick in the dialog's own type list changes the controls too.
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    QVERIFY(types != nullptr);
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Up);  // MOV -> AVI
    QCOMPARE(dialog.Choices().Type(), MovieType::kAvi);
    QVERIFY(Shown(dialog.ConfigureButton()) && !Shown(dialog.QualityList()));
    dialog.hide();

    // The type survives to the next opening; the image mode hides the profile row.
    dialog.Prepare(Mode::kMovie, "");
    QCOMPARE(dialog.Choices().Type(), MovieType::kAvi);
    QVERIFY(Shown(dialog.ConfigureButton()));
    dialog.Prepare(Mode::kImage, "0102030405");
    QCOMPARE(dialog.nameFilters(), QStringList({"JPEG Files (*.jpg *.jpeg)", "BMP Files (*.bmp)"}));
    QCOMPARE(dialog.Choices().TypeIndex(), MovieFileChoices::kBmpType);  // setting 1018 absent: ".bmp"
    QVERIFY(!Shown(dialog.ProfileList()) && !Shown(dialog.ProfileLabel()) && !Shown(dialog.ConfigureButton()));
    QVERIFY(Shown(dialog.AutoNamesBox()) && !dialog.AutoNamesBox()->isChecked());
    QVERIFY(Shown(dialog.QualityList()) && !dialog.QualityList()->isEnabled());  // BMP: no quality
    dialog.SelectType(MovieFileChoices::kJpegType);
    QVERIFY(dialog.QualityList()->isEnabled());
    SavePicture(dialog, "movie_file_dialog_image");
    dialog.hide();
  }

  void qualityListFollowsSetting1022() {
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    CMovieFileDlg dialog(store, prompter);
    QVERIFY(store.SetInt(setting::kJpegQuality, 40));
    dialog.Prepare(Mode::kMovie, "clip");
    dialog.SelectType(2);
    QCOMPARE(dialog.QualityList()->currentText(), QString("40"));
    QCOMPARE(dialog.QualityList()->count(), 20);
    QCOMPARE(dialog.QualityList()->itemText(19), QString("100"));

    // A movie's quality goes to its writer but is not stored.
    dialog.QualityList()->setCurrentIndex(3);
    dialog.setDirectory(Folder("plain"));
    dialog.selectFile("clip");
    QCOMPARE(dialog.Pick().movie.quality, 20);
    QCOMPARE(store.GetInt(setting::kJpegQuality), 40);

    // A JPEG screenshot's quality is stored, and the next opening starts there.
    dialog.Prepare(Mode::kImage, "shot");
    dialog.SelectType(MovieFileChoices::kJpegType);
    QCOMPARE(dialog.QualityList()->currentText(), QString("40"));
    dialog.QualityList()->setCurrentIndex(17);
    dialog.Pick();
    QCOMPARE(store.GetInt(setting::kJpegQuality), 90);
    dialog.Prepare(Mode::kMovie, "");
    QCOMPARE(dialog.QualityList()->currentText(), QString("90"));
  }

  void typedNamesGetTheTypesExtension() {
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    CMovieFileDlg dialog(store, prompter);
    QVERIFY(!dir_.path().contains('.'));
    const QString plain = Folder("plain");
    dialog.Prepare(Mode::kMovie, "");
    dialog.SelectType(2);
    dialog.ProfileList()->setCurrentIndex(9);  // "PNG Format"
    dialog.setDirectory(plain);
    dialog.selectFile("clip");
    SavePick pick = dialog.Pick();
    QCOMPARE(QString::fromStdString(pick.path), plain + "/clip.mov");
    QCOMPARE(pick.movie.type, MovieType::kMov);
    QCOMPARE(pick.movie.item, FourCcHighFirst("png "));

    dialog.selectFile("clip.avi");  // a typed extension stays, whatever the type
    QCOMPARE(QString::fromStdString(dialog.Pick().path), plain + "/clip.avi");

    const QString dotted = Folder("my.videos");
    dialog.Prepare(Mode::kMovie, "");
    dialog.setDirectory(dotted);
    dialog.selectFile("clip");
    QCOMPARE(QString::fromStdString(dialog.Pick().path), dotted + "/clip");
    QVERIFY(dialog.Choices().Folder().ends_with('/'));
  }

  void imageModeNamesTheFile() {
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    CMovieFileDlg dialog(store, prompter);
    const QString folder = Folder("shots");
    dialog.Prepare(Mode::kImage, "my.picture");
    dialog.setDirectory(folder);
    dialog.selectFile("my.picture");
    QCOMPARE(QString::fromStdString(dialog.Pick().path), folder + "/my.bmp");  // up to the last dot
    QCOMPARE(store.GetInt(setting::kAutoNameScreenshots), 0);
    QCOMPARE(store.GetText(setting::kScreenshotExtension), QString(".bmp"));
    QCOMPARE(store.GetText(setting::kScreenshotFolder), folder + "/");

    dialog.Prepare(Mode::kImage, "typed");
    dialog.SelectType(MovieFileChoices::kJpegType);
    dialog.AutoNamesBox()->setChecked(true);
    const QString path = QString::fromStdString(dialog.Pick().path);
    QVERIFY2(QRegularExpression("/shots/\\d{10}\\.jpg$").match(path).hasMatch(), qPrintable(path));
    QCOMPARE(store.GetInt(setting::kAutoNameScreenshots), 1);
    QCOMPARE(store.GetText(setting::kScreenshotExtension), QString(".jpg"));

    dialog.Prepare(Mode::kImage, "again");  // the box always opens clear, at the last format
    QVERIFY(!dialog.AutoNamesBox()->isChecked());
    QCOMPARE(dialog.Choices().TypeIndex(), MovieFileChoices::kJpegType);
    QCOMPARE(QDir(dialog.directory()).absolutePath(), folder);
  }

  void askingBeforeReplacingTheFileWritten() {
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    prompter.answers = {false, true};  // No, then Yes
    CMovieFileDlg dialog(store, prompter);
    const QString folder = Folder("replace");
    QFile existing(folder + "/clip.mov");  // what the typed "clip" becomes with MOV
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    // Plays the user at each opening: MOV, "clip", OK.
    int openings = 0;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, &dialog, [&] {
      if (!dialog.isVisible() || dialog.result() != 0 || openings == 2) return;
      ++openings;
      dialog.setDirectory(folder);
      dialog.SelectType(2);
      dialog.findChild<QLineEdit*>("fileNameEdit")->setText("clip");  // typed: it has the focus
      static_cast<QDialog&>(dialog).accept();  // the Save button
    });
    user.start();
    const std::optional<SavePick> pick = dialog.AskSavePath(nullptr, Mode::kMovie, QString());
    QVERIFY(pick.has_value());
    QCOMPARE(openings, 2);
    QCOMPARE(prompter.asked.size(), 2);
    QVERIFY(prompter.asked[0].contains(QDir::toNativeSeparators(folder + "/clip.mov")));
    QCOMPARE(QString::fromStdString(pick->path), folder + "/clip.mov");
  }

  void eachAviCompressorKeepsItsOwnSettings() {
    if (InstalledAviCompressors().size() < 2) QSKIP("fewer than two AVI compressors in this FFmpeg");
    CSettingsStore store(dir_.path() + "/Mirrodex.conf");
    const uint32_t first = InstalledAviCompressors()[0].handler;
    const uint32_t second = InstalledAviCompressors()[1].handler;
    {
      AviConfigureDialog configure(store, first);
      QCOMPARE(configure.Settings().quality + configure.Settings().bitRate, int64_t{0});  // the default
      configure.SetSettings({0, 1500000});
      SavePicture(configure, "avi_configure_dialog");
      configure.accept();
    }
    QCOMPARE(LoadAviCompressorSettings(store, first).bitRate, int64_t{1500000});
    QCOMPARE(LoadAviCompressorSettings(store, second).bitRate, int64_t{0});
    QVERIFY(SaveAviCompressorSettings(store, second, {60, 0}));
    {
      AviConfigureDialog configure(store, second);
      QCOMPARE(configure.Settings().quality, 60);
      QCOMPARE(configure.findChild<QSpinBox*>("Quality")->value(), 60);
      QVERIFY(configure.findChild<QSpinBox*>("Quality")->isEnabled());
      QVERIFY(!configure.findChild<QSpinBox*>("BitRate")->isEnabled());
    }
    // Lower-case codes and values out of range read as the compressor's and the default.
    QCOMPARE(LoadAviCompressorSettings(store, FourCcLowFirst("cvid")).bitRate,
             LoadAviCompressorSettings(store, FourCcLowFirst("CVID")).bitRate);
    QVERIFY(store.WriteInt("Compressors/" + QString::fromStdString(FourCcText(second)), "Quality", 400));
    QCOMPARE(LoadAviCompressorSettings(store, second).quality, 0);

    // The movie dialog hands the chosen compressor's settings to the writer.
    test::ScriptedPrompter prompter;
    CMovieFileDlg dialog(store, prompter);
    dialog.Prepare(Mode::kMovie, "");
    dialog.SelectType(1);
    dialog.setDirectory(Folder("plain"));
    dialog.selectFile("clip");
    const SavePick pick = dialog.Pick();
    QCOMPARE(pick.movie.item, first);
    QCOMPARE(pick.movie.compressor.bitRate, int64_t{1500000});
  }
};

QTEST_MAIN(MovieFileDialogTest)
#include "MovieFileDialogTest.moc"
