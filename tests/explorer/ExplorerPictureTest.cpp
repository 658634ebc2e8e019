// A picture of the file manager window with both trees filled, taken from a private X server
// and kept as pictures/explorer.png (looked at, not compared pixel by pixel).
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QtTest>
#include <cstdlib>

#include "desktop/files/explorer/WaitDialog.h"
#include "tests/explorer/ExplorerFixture.h"

namespace mirrodex {
namespace {

using test::WriteFile;
namespace fs = std::filesystem;

class ExplorerPictureTest : public QObject {
  Q_OBJECT

 private slots:
  void bothTreesArePopulatedInThePicture() {
    std::string error;
    QVERIFY2(fixture_.Start(error), error.c_str());
    fixture_.Reset();
    CPDAExplorer* window = fixture_.Open();
    const fs::path local = fixture_.LocalPath();
    fs::create_directories(local / "Documents");
    fs::create_directories(local / "Pictures");
    WriteFile(local / "holiday.jpg", std::string(734003, 'j'));
    WriteFile(local / "notes.txt", "notes");
    WriteFile(local / "report.pdf", std::string(183500, 'p'));
    WriteFile(local / "song.mp3", std::string(4404019, 'm'));
    const fs::path device = fixture_.DeviceRoot();
    fs::create_directories(device / "My Documents");
    fs::create_directories(device / "Program Files");
    fs::create_directories(device / "Temp");
    WriteFile(device / "My Documents" / "letter.txt", "Dear reader");
    WriteFile(device / "My Documents" / "photo.png", std::string(52000, 'p'));
    WriteFile(device / "readme.txt", "read me");
    WriteFile(device / "calc.exe", std::string(90112, 'x'));
    window->Refresh();
    fixture_.Settle();
    FileTree* deviceTree = window->DeviceTree();
    fixture_.Expand(deviceTree, deviceTree->FindChild(deviceTree->RootItem(), "My Documents"));
    test::ExplorerFixture::Select(deviceTree,
                                  deviceTree->FindChild(deviceTree->RootItem(), "readme.txt"));
    FileTree* localTree = window->LocalTree();
    test::ExplorerFixture::Select(localTree,
                                  localTree->FindChild(localTree->RootItem(), "holiday.jpg"));
    window->resize(960, 520);
    window->move(0, 0);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->size(), QSize(960, 520));
    // The X server shows the painted window once the selected row's highlight is on screen.
    QTreeWidgetItem* selected = localTree->FindChild(localTree->RootItem(), "holiday.jpg");
    const QRect row = localTree->visualItemRect(selected);
    const QPoint probe =
        localTree->viewport()->mapTo(window, QPoint(row.center().x(), row.top() + 1));
    const QColor base = localTree->palette().color(QPalette::Base);
    QPixmap picture;
    QTRY_VERIFY_WITH_TIMEOUT((picture = window->screen()->grabWindow(window->winId()),
                              picture.toImage().pixelColor(probe) != base),
                             test::kWaitMs);
    const QString folder = qEnvironmentVariable("MIRRODEX_PICTURE_DIR", QDir::tempPath());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(picture.save(folder + "/explorer.png"));
    qInfo("picture: %s/explorer.png", qPrintable(folder));
    // The wait dialog as a copy shows it.
    WaitDialog* wait = window->Wait();
    wait->Begin(true);
    wait->ShowProgress("4.1 MB - 08/12/2026 - 1536.00 KB", 1572864, 4404019);
    QTRY_VERIFY(wait->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(wait));
    QPixmap waitPicture;
    QTRY_VERIFY_WITH_TIMEOUT((waitPicture = wait->screen()->grabWindow(wait->winId()),
                              waitPicture.toImage() == wait->grab().toImage()),
                             test::kWaitMs);
    QVERIFY(waitPicture.save(folder + "/explorer-wait.png"));
    wait->Finish();
    QCOMPARE(localTree->RootItem()->childCount(), 6);
    QCOMPARE(deviceTree->RootItem()->childCount(), 5);
    fixture_.Close();
  }

 private:
  test::ExplorerFixture fixture_;
};

}  // namespace
}  // namespace mirrodex

// The window goes on a private X server of its own; the device's host gets another one.
int main(int argc, char** argv) {
  if (!mirrodex::test::XvfbServer::Available()) {
    std::puts("SKIP: Xvfb is not installed");
    return 0;
  }
  std::string error;
  auto server = mirrodex::test::XvfbServer::Start({1000, 600, 24}, error);
  if (!server) {
    std::fprintf(stderr, "cannot start Xvfb: %s\n", error.c_str());
    return 1;
  }
  ::setenv("DISPLAY", server->DisplayName().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  int result = 0;
  {
    QApplication app(argc, argv);
    mirrodex::ExplorerPictureTest test;
    result = QTest::qExec(&test, argc, argv);
  }
  return result;
}

#include "ExplorerPictureTest.moc"
