// Screenshots and video capture from the frame on the offscreen platform, against a scripted
// link and a scripted answer to the Save dialog: the files written at zoom 1 and 2, automatic
// names, the format chosen by the extension, Capture Video's toggling and its failures.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/app/FramePresenter.h"
#include "desktop/app/FrameStore.h"
#include "desktop/media/FourCc.h"
#include "desktop/resources/StringTable.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CaptureControl.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/ScreenshotCommands.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "tests/app/ScriptedLink.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/media/MovieProbe.h"
#include "tests/shell/ScriptedAsker.h"

using namespace mirrodex;

namespace {

constexpr uint32_t kWidth = 175;  // rows of 525 bytes: BMP pads them to 528
constexpr uint32_t kHeight = 60;

struct Rig {
  explicit Rig(const QString& dir) : folder(dir), store(dir + "/Mirrodex.conf") {
    QDir().mkpath(dir);
    frame = std::make_unique<CMainFrame>(CMainFrame::Parts{store, link, worker, prompter, frames, {}, 2, {}, {}});
    frame->Capture().SetAsker(asker);
    frame->Screenshots().SetAsker(asker);
    app::Frame picture;
    picture.width = kWidth;
    picture.height = kHeight;
    for (uint32_t i = 0; i < kWidth * kHeight; ++i) picture.pixels.push_back(static_cast<uint16_t>((i * 2654435761u) >> 17));
    pixels = picture.pixels;
    frames.Publish(std::move(picture));
    frame->Screen().Present();
  }
  QAction* Action(int id) {
    frame->Commands().UpdateAll();
    return frame->Commands().Action(id);
  }
  bool Recording() { return frame->Capture().Recording(); }

  QString folder;
  CSettingsStore store;
  test::ScriptedLink link;
  ReplyDispatcher dispatcher;
  RequestWorker worker{dispatcher, [this](uint32_t code, std::span<const uint8_t> payload) {
                         return link.QueueRequest(code, payload);
                       }, 100};
  test::ScriptedPrompter prompter;
  test::ScriptedAsker asker;
  app::FrameStore frames;
  std::vector<uint16_t> pixels;
  std::unique_ptr<CMainFrame> frame;
};

uint32_t U32(const QByteArray& b, int at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

// Checks a 24-bit BMP of the rig's picture enlarged by `zoom`: both headers, zero padding, and
// every pixel.
void CheckBmp(const QString& path, const std::vector<uint16_t>& pixels, uint32_t zoom) {
  QFile file(path);
  QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
  const QByteArray b = file.readAll();
  const uint32_t w = kWidth * zoom, h = kHeight * zoom;
  const uint32_t row = (w * 24 + 31) / 32 * 4;
  QCOMPARE(b.left(2), QByteArray("BM"));
  QCOMPARE(U32(b, 2), row * h + 54);
  QCOMPARE(uint32_t(b.size()), row * h + 54);
  QCOMPARE(U32(b, 10), 54u);
  QCOMPARE(U32(b, 14), 40u);
  QCOMPARE(U32(b, 18), w);
  QCOMPARE(U32(b, 22), h);
  QCOMPARE(uint8_t(b[28]), uint8_t(24));
  QCOMPARE(U32(b, 34), row * h);
  for (uint32_t y = 0; y < h; ++y) {
    const int start = int(54 + (h - 1 - y) * row);  // bottom row first
    for (uint32_t x = 0; x < w; ++x) {
      const QRgb expected = app::SurfacePixel(pixels[(y / zoom) * kWidth + x / zoom]);
      const int at = start + int(x * 3);
      const QRgb got = qRgb(uint8_t(b[at + 2]), uint8_t(b[at + 1]), uint8_t(b[at]));
      if (got != (expected | 0xFF000000u)) QFAIL(qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
    }
    for (uint32_t p = w * 3; p < row; ++p) QCOMPARE(uint8_t(b[start + int(p)]), uint8_t(0));
  }
}

bool IsJpeg(const QString& path, QSize size) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || !file.read(2).startsWith("\xFF\xD8")) return false;
  QImage image;
  return image.load(path, "JPG") && image.size() == size;
}

}  // namespace

class MediaCommandsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void screenShotsAtZoomOneAndTwo() {
    Rig rig(dir_.path() + "/shots");
    QVERIFY(rig.Action(cmd::kScreenShot)->isEnabled());
    rig.asker.answer = test::ScriptedAsker::Image(rig.folder + "/one.bmp");
    QVERIFY(rig.frame->Commands().Run(cmd::kScreenShot));
    QCOMPARE(rig.asker.lastMode, MovieFileChoices::Mode::kImage);
    QVERIFY(QRegularExpression("^\\d{10}$").match(rig.asker.lastName).hasMatch());  // %m%d%H%M%S
    CheckBmp(rig.folder + "/one.bmp", rig.pixels, 1);
    rig.asker.answer = test::ScriptedAsker::Image(rig.folder + "/one.jpg");
    QVERIFY(rig.frame->Commands().Run(cmd::kScreenShot));
    QVERIFY(IsJpeg(rig.folder + "/one.jpg", QSize(kWidth, kHeight)));

    QVERIFY(rig.frame->Commands().Run(cmd::kZoom));
    QCOMPARE(rig.frame->Screen().Zoom(), 2);
    rig.asker.answer = test::ScriptedAsker::Image(rig.folder + "/two.bmp");
    QVERIFY(rig.frame->Commands().Run(cmd::kScreenShot));
    CheckBmp(rig.folder + "/two.bmp", rig.pixels, 2);
    rig.asker.answer = test::ScriptedAsker::Image(rig.folder + "/two.jpg");
    QVERIFY(rig.frame->Commands().Run(cmd::kScreenShot));
    QVERIFY(IsJpeg(rig.folder + "/two.jpg", QSize(kWidth * 2, kHeight * 2)));

    rig.asker.answer.reset();  // cancelled: nothing written, nothing said
    QVERIFY(rig.frame->Commands().Run(cmd::kScreenShot));
    QCOMPARE(QDir(rig.folder).entryList({"*.bmp", "*.jpg"}, QDir::Files).size(), 4);
    QVERIFY(rig.prompter.told.isEmpty());
  }

  void theExtensionChoosesTheFormat() {
    Rig rig(dir_.path() + "/formats");
    // A folder whose name has ".bmp" does not make a JPEG name a BMP file; the extension's
    // case does not matter.
    QDir().mkpath(rig.folder + "/pictures.bmp");
    QVERIFY(rig.frame->Screenshots().SavePicture(rig.folder + "/pictures.bmp/shot.jpg"));
    QVERIFY(IsJpeg(rig.folder + "/pictures.bmp/shot.jpg", QSize(kWidth, kHeight)));
    QVERIFY(rig.frame->Screenshots().SavePicture(rig.folder + "/upper.BMP"));
    CheckBmp(rig.folder + "/upper.BMP", rig.pixels, 1);

    // A file that cannot be written: one message naming it; nothing left behind.
    const QString missing = rig.folder + "/missing/shot.bmp";
    QVERIFY(!rig.frame->Screenshots().SavePicture(missing));
    QCOMPARE(rig.prompter.told.size(), 1);
    QVERIFY(rig.prompter.told[0].startsWith(FormatText(text::kCopyFailed, missing)));
    QVERIFY(!QFile::exists(missing));
  }

  void quickScreenShotsNameThemselves() {
    Rig rig(dir_.path() + "/quick");
    rig.asker.answer = test::ScriptedAsker::Image(rig.folder + "/asked.bmp");
    QVERIFY(rig.frame->Commands().Run(cmd::kQuickScreenShot));  // automatic names off: the dialog
    QCOMPARE(rig.asker.asked, 1);
    QVERIFY(QFile::exists(rig.folder + "/asked.bmp"));
    QCOMPARE(rig.frame->Commands().Action(cmd::kQuickScreenShot)->shortcut(), QKeySequence("Ctrl+Shift+S"));

    const QString target = rig.folder + "/auto";
    QDir().mkpath(target);
    QVERIFY(rig.store.SetFlag(setting::kAutoNameScreenshots, true));
    QVERIFY(rig.store.SetText(setting::kScreenshotFolder, target));  // no separator at the end
    QVERIFY(rig.store.SetText(setting::kScreenshotExtension, ".jpg"));
    QVERIFY(rig.frame->Commands().Run(cmd::kQuickScreenShot));
    QCOMPARE(rig.asker.asked, 1);
    const QStringList written = QDir(target).entryList(QDir::Files);
    QCOMPARE(written.size(), 1);
    QVERIFY2(QRegularExpression("^\\d{10}\\.jpg$").match(written[0]).hasMatch(), qPrintable(written[0]));
    QVERIFY(IsJpeg(target + "/" + written[0], QSize(kWidth, kHeight)));
    QVERIFY(rig.prompter.told.isEmpty());
  }

  void captureVideoTogglesAndWritesTheFile() {
    Rig rig(dir_.path() + "/video");
    rig.frame->show();
    QCOMPARE(rig.Action(cmd::kCaptureVideo)->text(), LoadText(text::kCaptureVideoItem));
    QVERIFY(rig.Action(cmd::kCaptureVideo)->isEnabled());

    rig.asker.answer.reset();  // cancelled
    QVERIFY(rig.frame->Commands().Run(cmd::kCaptureVideo));
    QVERIFY(!rig.Recording());

    const QString path = rig.folder + "/clip.mov";
    rig.asker.answer = test::ScriptedAsker::Movie(path, MovieType::kMov, FourCcHighFirst("png "));
    QVERIFY(rig.frame->Commands().Run(cmd::kCaptureVideo));
    QCOMPARE(rig.asker.lastMode, MovieFileChoices::Mode::kMovie);
    QVERIFY(rig.Recording());
    QCOMPARE(rig.Action(cmd::kCaptureVideo)->text(), LoadText(text::kStopVideoCaptureItem));
    QVERIFY(rig.Action(cmd::kCaptureVideo)->isChecked());
    rig.link.connected = true;
    QVERIFY(rig.frame->Commands().Run(cmd::kPauseVideo));  // pausing the picture keeps recording
    QVERIFY(rig.Recording());

    QVERIFY(rig.frame->Commands().Run(cmd::kCaptureVideo));
    QVERIFY(!rig.Recording());
    QCOMPARE(rig.Action(cmd::kCaptureVideo)->text(), LoadText(text::kCaptureVideoItem));
    QVERIFY(!rig.Action(cmd::kCaptureVideo)->isChecked());
    const test::MovieProbe probe = test::MovieProbe::Read(path.toStdString());
    QVERIFY2(probe.opened, probe.error.c_str());
    QCOMPARE(probe.codec, AV_CODEC_ID_PNG);
    QVERIFY(probe.frames >= 1);
    QCOMPARE(probe.width, int(kWidth));
    QVERIFY(rig.frame->statusBar()->currentMessage().contains("frames"));
    QVERIFY(rig.prompter.told.isEmpty());
  }

  void aCaptureThatCannotBeWrittenStopsWithOneMessage() {
    Rig rig(dir_.path() + "/failing");
    rig.frame->show();
    rig.asker.answer = test::ScriptedAsker::Movie(rig.folder + "/missing/clip.mov", MovieType::kMov,
                                                  FourCcHighFirst("png "));
    QVERIFY(rig.frame->Commands().Run(cmd::kCaptureVideo));
    QTRY_VERIFY(!rig.Recording());
    QTRY_COMPARE(rig.prompter.told.size(), 1);  // the writer's own message
    QCoreApplication::processEvents();
    QCOMPARE(rig.prompter.told.size(), 1);
    QCOMPARE(rig.Action(cmd::kCaptureVideo)->text(), LoadText(text::kCaptureVideoItem));

    // A codec this build cannot write fails the start: the writer names it, then the advice.
    rig.prompter.Clear();
    rig.asker.answer = test::ScriptedAsker::Movie(rig.folder + "/b.mov", MovieType::kMov, FourCcHighFirst("mjpb"));
    QVERIFY(rig.frame->Commands().Run(cmd::kCaptureVideo));
    QVERIFY(!rig.Recording());
    QCOMPARE(rig.prompter.told.size(), 2);
    QVERIFY(rig.prompter.told[0].contains("mjpb", Qt::CaseInsensitive));
    QCOMPARE(rig.prompter.told[1], LoadText(text::kVideoCreationFailed));
    QVERIFY(!QFile::exists(rig.folder + "/b.mov"));
  }
};

QTEST_MAIN(MediaCommandsTest)
#include "MediaCommandsTest.moc"
