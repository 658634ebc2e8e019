// The file manager window against the agent in mirrodex-host over loopback: both sides listed
// without hidden and system entries, the single device root, numbered new folders, renames,
// deletes and the refused non-empty folder, copies both ways with the overwrite question,
// Stop during a large copy, failed copies that leave targets alone, drops of local files, one
// window at a time and its stored placement.
#include <sys/stat.h>
#include <sys/types.h>

#include <QAction>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <random>

#include "desktop/files/explorer/ExplorerPane.h"
#include "desktop/files/explorer/ExplorerTexts.h"
#include "desktop/files/explorer/ExplorerWorker.h"
#include "desktop/files/explorer/WaitDialog.h"
#include "desktop/resources/StringTable.h"
#include "protocol/Requests.h"
#include "tests/explorer/ExplorerFixture.h"

namespace mirrodex {
namespace {

using test::ChildNames;
using test::ExplorerFixture;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

bool Sent(const std::vector<uint32_t>& codes, uint32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Files whose names start with a dot: temporary names of copies that were left behind.
int LeftoverTemporaries(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    count += entry.path().filename().string()[0] == '.';
  return count;
}

// A drag that enters `tree` at `at`, moves there and drops; true when the drop was taken.
bool DropOn(FileTree* tree, QPoint at, const QMimeData* data) {
  QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &move);
  QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &drop);
  return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
}

class ExplorerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!test::XvfbServer::Available()) QSKIP("Xvfb is not installed");
    std::string error;
    QVERIFY2(fixture_.Start(error), error.c_str());
  }
  void init() { fixture_.Reset(); }
  void cleanupTestCase() { fixture_.Close(); }

  void bothSidesListWithoutHiddenOrSystemEntriesAndASingleDeviceRootDisablesItsList() {
    WriteFile(fixture_.LocalPath() / "seven.bin", "1234567");
    WriteFile(fixture_.LocalPath() / ".hidden", "x");
    QVERIFY(::mkfifo((fixture_.LocalPath() / "pipe").c_str(), 0600) == 0);  // a system entry
    fs::create_directory(fixture_.LocalPath() / "folder");
    WriteFile(fixture_.DeviceRoot() / "big.bin", std::string(1048577, 'a'));
    WriteFile(fixture_.DeviceRoot() / "kilo.bin", std::string(1048576, 'b'));
    WriteFile(fixture_.DeviceRoot() / ".secret", "s");
    fs::create_directory(fixture_.DeviceRoot() / "Docs");
    WriteFile(fixture_.DeviceRoot() / "Docs" / "inner.txt", "inner");

    CPDAExplorer* window = fixture_.Open();
    QTreeWidgetItem* localRoot = window->LocalTree()->RootItem();
    QVERIFY(localRoot);
    QCOMPARE(ChildNames(localRoot), (QStringList{"folder", "seven.bin"}));
    QTreeWidgetItem* deviceRoot = window->DeviceTree()->RootItem();
    QVERIFY(deviceRoot);
    QCOMPARE(FileTree::PathOf(deviceRoot), QString("\\"));
    QCOMPARE(ChildNames(deviceRoot), (QStringList{"Docs", "big.bin", "kilo.bin"}));
    QCOMPARE(window->DevicePane()->Roots()->count(), 1);
    QVERIFY(!window->DevicePane()->Roots()->isEnabled());
    QVERIFY(!window->RatePane().isEmpty());

    // Sizes with sound digits in the status pane; a folder opens on expansion.
    ExplorerFixture::Select(window->DeviceTree(), deviceRoot->child(1));
    QCOMPARE(window->SizePane(), QString("1.0 MB"));
    QVERIFY(!window->DatePane().isEmpty());
    ExplorerFixture::Select(window->DeviceTree(), deviceRoot->child(2));
    QCOMPARE(window->SizePane(), QString("1024.0 KB"));
    fixture_.Expand(window->DeviceTree(), deviceRoot->child(0));
    QCOMPARE(ChildNames(deviceRoot->child(0)), QStringList{"inner.txt"});
    QCOMPARE(FileTree::PathOf(deviceRoot->child(0)->child(0)), QString("\\Docs\\inner.txt"));

    // The filter hides files, not folders.
    window->DevicePane()->FilterField()->setText("KILO");
    QVERIFY(deviceRoot->child(1)->isHidden());
    QVERIFY(!deviceRoot->child(2)->isHidden());
    QVERIFY(!deviceRoot->child(0)->isHidden());
    window->DevicePane()->FilterField()->clear();
    QVERIFY(!deviceRoot->child(1)->isHidden());
  }

  void newFolderNumbersItsNamesAndRenamesChangeFilesAndFolders() {
    fs::create_directory(fixture_.LocalPath() / "New Folder");
    fs::create_directory(fixture_.LocalPath() / "new folder 1");
    CPDAExplorer* window = fixture_.Open();
    FileTree* device = window->DeviceTree();

    device->setCurrentItem(device->RootItem());
    window->NewFolder(device);
    fixture_.Settle();
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "New Folder"));
    QCOMPARE(FileTree::NameOf(device->currentItem()), QString("New Folder"));
    QVERIFY(device->IsEditing());  // named right away
    QTest::keyClick(device->viewport()->focusWidget() ? device->viewport()->focusWidget() : device,
                    Qt::Key_Escape);
    device->setCurrentItem(device->RootItem());
    window->NewFolder(device);
    fixture_.Settle();
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "New Folder 1"));

    FileTree* local = window->LocalTree();
    local->setCurrentItem(local->RootItem());
    window->NewFolder(local);
    fixture_.Settle();
    QVERIFY(fs::is_directory(fixture_.LocalPath() / "New Folder 2"));

    // A new folder needs a folder selected.
    WriteFile(fixture_.DeviceRoot() / "note.txt", "note");
    window->Refresh();
    fixture_.Settle();
    QTreeWidgetItem* note = device->FindChild(device->RootItem(), "note.txt");
    QVERIFY(note);
    ExplorerFixture::Select(device, note);
    window->NewFolder(device);
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kSelectFolder)});
    fixture_.prompter.Clear();

    // Renames by label editing: a file, a folder, and an empty text that changes nothing.
    note->setText(0, "renamed.txt");
    fixture_.Settle();
    QVERIFY(fs::exists(fixture_.DeviceRoot() / "renamed.txt"));
    QVERIFY(!fs::exists(fixture_.DeviceRoot() / "note.txt"));
    QCOMPARE(FileTree::PathOf(note), QString("\\renamed.txt"));
    QTreeWidgetItem* folder = device->FindChild(device->RootItem(), "New Folder 1");
    QVERIFY(folder);
    folder->setText(0, "Photos");
    fixture_.Settle();
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "Photos"));
    QCOMPARE(folder->text(0), QString("Photos"));
    const std::vector<uint32_t> before = fixture_.TakeCodes();
    folder->setText(0, "");
    QCOMPARE(folder->text(0), QString("Photos"));
    QVERIFY(!window->IsWorking());
    QVERIFY(fixture_.TakeCodes().empty());
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "Photos"));

    // A rename onto an existing name is refused and keeps the old one.
    folder->setText(0, "New Folder");
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kCommunicationFailed)});
    QCOMPARE(folder->text(0), QString("Photos"));
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "Photos"));
  }

  void deleteRemovesFilesAndRefusesNonEmptyFoldersBeforeSendingAnything() {
    WriteFile(fixture_.DeviceRoot() / "gone.txt", "bye");
    fs::create_directory(fixture_.DeviceRoot() / "Full");
    WriteFile(fixture_.DeviceRoot() / "Full" / ".only-hidden", "h");  // not listed, still content
    fs::create_directory(fixture_.DeviceRoot() / "Empty");
    CPDAExplorer* window = fixture_.Open();
    FileTree* device = window->DeviceTree();
    QTreeWidgetItem* root = device->RootItem();

    ExplorerFixture::Select(device, device->FindChild(root, "Full"));
    fixture_.TakeCodes();
    window->Delete(device);
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kFolderNotEmpty)});
    QVERIFY(fixture_.prompter.asked.isEmpty());
    QVERIFY(!Sent(fixture_.TakeCodes(), kRequestRemoveFolder));
    QVERIFY(fs::exists(fixture_.DeviceRoot() / "Full" / ".only-hidden"));
    fixture_.prompter.Clear();

    // No: nothing happens; Yes: the file goes and so does its item.
    ExplorerFixture::Select(device, device->FindChild(root, "gone.txt"));
    window->Delete(device);
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.asked, QStringList{FormatText(text::kConfirmDelete, "\\gone.txt")});
    QVERIFY(fs::exists(fixture_.DeviceRoot() / "gone.txt"));
    fixture_.prompter.answers = {true};
    window->Delete(device);
    fixture_.Settle();
    QVERIFY(!fs::exists(fixture_.DeviceRoot() / "gone.txt"));
    QVERIFY(!device->FindChild(root, "gone.txt"));

    // An empty folder goes; the Delete key works like the command.
    ExplorerFixture::Select(device, device->FindChild(root, "Empty"));
    fixture_.prompter.answers = {true};
    QTest::keyClick(device, Qt::Key_Delete);
    fixture_.Settle();
    QVERIFY(!fs::exists(fixture_.DeviceRoot() / "Empty"));
    QCOMPARE(ChildNames(root), QStringList{"Full"});

    // Nothing selected.
    device->clearSelection();
    device->setCurrentItem(root);
    fixture_.prompter.Clear();
    window->Delete(device);
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kSelectFileOrFolder)});
  }

  void copiesBothWaysAskBeforeOverwritingAndFailuresLeaveTargetsAlone() {
    const std::string up = RandomBytes(70000, 1);
    WriteFile(fixture_.LocalPath() / "up.bin", up);
    WriteFile(fixture_.DeviceRoot() / "up.bin", "old device copy");
    WriteFile(fixture_.DeviceRoot() / "down.bin", "device bytes");
    WriteFile(fixture_.LocalPath() / "down.bin", "old local copy");
    CPDAExplorer* window = fixture_.Open();
    FileTree* local = window->LocalTree();
    FileTree* device = window->DeviceTree();

    ExplorerFixture::Select(local, local->FindChild(local->RootItem(), "up.bin"));
    device->setCurrentItem(device->RootItem());
    QVERIFY(window->Action(CPDAExplorer::Command::kCopyToDevice)->isEnabled());
    window->CopyToDevice();  // answered No
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.asked,
             QStringList{FormatText(text::kFileExistsQuestion, "\\up.bin")});
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "up.bin"), std::string("old device copy"));
    fixture_.prompter.answers = {true};
    window->CopyToDevice();
    fixture_.Settle();
    QVERIFY(fixture_.prompter.told.isEmpty());
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "up.bin"), up);
    QCOMPARE(LeftoverTemporaries(fixture_.DeviceRoot()), 0);
    QVERIFY(!window->RatePane().isEmpty());

    fixture_.prompter.Clear();
    ExplorerFixture::Select(device, device->FindChild(device->RootItem(), "down.bin"));
    local->setCurrentItem(local->RootItem());
    window->CopyFromDevice();
    fixture_.Settle();
    QCOMPARE(ReadFile(fixture_.LocalPath() / "down.bin"), std::string("old local copy"));
    fixture_.prompter.answers = {true};
    window->CopyFromDevice();
    fixture_.Settle();
    QCOMPARE(ReadFile(fixture_.LocalPath() / "down.bin"), std::string("device bytes"));
    QCOMPARE(LeftoverTemporaries(fixture_.LocalPath()), 0);

    // The device file vanishes before the copy: the error is shown, the local file stays.
    fs::remove(fixture_.DeviceRoot() / "down.bin");
    WriteFile(fixture_.LocalPath() / "down.bin", "kept");
    fixture_.prompter.Clear();
    fixture_.prompter.answers = {true};
    window->CopyFromDevice();
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kCopyError)});
    QCOMPARE(ReadFile(fixture_.LocalPath() / "down.bin"), std::string("kept"));
    QCOMPARE(LeftoverTemporaries(fixture_.LocalPath()), 0);

    // Double-click copies too; a file into a folder needs a folder on the other side.
    fixture_.prompter.Clear();
    ExplorerFixture::Select(local, local->FindChild(local->RootItem(), "down.bin"));
    device->setCurrentItem(device->FindChild(device->RootItem(), "up.bin"));
    window->CopyToDevice();
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kSelectFileAndFolder)});
    device->setCurrentItem(device->RootItem());
    QTreeWidgetItem* down = local->FindChild(local->RootItem(), "down.bin");
    emit local->itemDoubleClicked(down, 0);
    fixture_.Settle();
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "down.bin"), std::string("kept"));
    QVERIFY(device->FindChild(device->RootItem(), "down.bin"));

    // Copy and paste within the device, replacing after the question.
    fixture_.prompter.Clear();
    ExplorerFixture::Select(device, device->FindChild(device->RootItem(), "up.bin"));
    window->CopySelection(device);
    fs::create_directory(fixture_.DeviceRoot() / "Sub");
    WriteFile(fixture_.DeviceRoot() / "Sub" / "up.bin", "older");
    window->Refresh();
    fixture_.Settle();
    fixture_.prompter.answers = {true};
    window->Paste(device, device->FindChild(device->RootItem(), "Sub"));
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.asked,
             QStringList{FormatText(text::kFileExistsOverwrite, "\\Sub\\up.bin")});
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "Sub" / "up.bin"), up);
    QCOMPARE(LeftoverTemporaries(fixture_.DeviceRoot() / "Sub"), 0);

    // A file never replaces a folder of its name.
    fixture_.prompter.Clear();
    WriteFile(fixture_.LocalPath() / "Sub", "a file");
    window->Refresh();
    fixture_.Settle();
    ExplorerFixture::Select(local, local->FindChild(local->RootItem(), "Sub"));
    device->setCurrentItem(device->RootItem());
    window->CopyToDevice();
    fixture_.Settle();
    QCOMPARE(fixture_.prompter.told, QStringList{LoadText(text::kCopyError)});
    QVERIFY(fs::is_directory(fixture_.DeviceRoot() / "Sub"));
  }

  void stopDuringALargeCopyToTheDeviceEndsAfterABlockWithoutAnError() {
    WriteFile(fixture_.LocalPath() / "large.bin", RandomBytes(20 << 20, 2));
    WriteFile(fixture_.DeviceRoot() / "large.bin", "previous");
    CPDAExplorer* window = fixture_.Open();
    FileTree* local = window->LocalTree();
    ExplorerFixture::Select(local, local->FindChild(local->RootItem(), "large.bin"));
    window->DeviceTree()->setCurrentItem(window->DeviceTree()->RootItem());
    fixture_.prompter.answers = {true};
    window->CopyToDevice();
    // The window stays responsive: progress arrives here while the copy runs.
    QTRY_VERIFY_WITH_TIMEOUT(window->Wait()->Line().endsWith(" KB"), test::kWaitMs);
    QVERIFY(window->IsBusy());
    QVERIFY(!window->Action(CPDAExplorer::Command::kDelete)->isEnabled());
    window->Wait()->StopButton()->click();
    fixture_.Settle();
    QVERIFY(!window->IsBusy());
    QVERIFY(fixture_.prompter.told.isEmpty());
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "large.bin"), std::string("previous"));
    QCOMPARE(LeftoverTemporaries(fixture_.DeviceRoot()), 0);
    QVERIFY(window->Action(CPDAExplorer::Command::kRefresh)->isEnabled());

    // Closing the window while a copy runs ends the copy; nothing is left half done.
    fixture_.prompter.answers = {true};
    window->CopyToDevice();
    QTRY_VERIFY_WITH_TIMEOUT(window->Wait()->Line().endsWith(" KB"), test::kWaitMs);
    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(CPDAExplorer::Current() == nullptr, test::kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ExplorerWorker::Live(), 0, test::kWaitMs);  // ends by itself
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "large.bin"), std::string("previous"));
    QCOMPARE(LeftoverTemporaries(fixture_.DeviceRoot()), 0);
  }

  void droppingTwoLocalFilesOntoTheDeviceTreeCopiesBoth() {
    QTemporaryDir outside;
    WriteFile(fs::path(outside.path().toStdString()) / "one.txt", "first");
    WriteFile(fs::path(outside.path().toStdString()) / "two.txt", "second");
    CPDAExplorer* window = fixture_.Open();
    FileTree* device = window->DeviceTree();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(outside.path() + "/one.txt"),
                  QUrl::fromLocalFile(outside.path() + "/two.txt")});
    const QPoint at = device->visualItemRect(device->RootItem()).center();
    QVERIFY(DropOn(device, at, &data));
    fixture_.Settle();
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "one.txt"), std::string("first"));
    QCOMPARE(ReadFile(fixture_.DeviceRoot() / "two.txt"), std::string("second"));
    QCOMPARE(ChildNames(device->RootItem()), (QStringList{"one.txt", "two.txt"}));

    // Files dragged out of the device tree onto the PC tree come from the device.
    QMimeData* dragged = device->DragData({device->RootItem()->child(0)});
    QVERIFY(dragged);
    FileTree* local = window->LocalTree();
    QVERIFY(DropOn(local, local->visualItemRect(local->RootItem()).center(), dragged));
    fixture_.Settle();
    delete dragged;
    QCOMPARE(ReadFile(fixture_.LocalPath() / "one.txt"), std::string("first"));
  }

  void withoutADeviceThePcSideWorksAndTheDeviceSideSaysSo() {
    WriteFile(fixture_.LocalPath() / "alone.txt", "a");
    test::ScriptedPrompter prompter;
    CPDAExplorer::Services services;
    services.dispatcher = &fixture_.Device().Dispatcher();
    services.sender = [](uint32_t, std::span<const uint8_t>) { return false; };
    services.store = &fixture_.Store();
    services.prompter = &prompter;
    auto* window = new CPDAExplorer(services);
    window->show();
    window->OpenLocalFolder(fixture_.LocalRoot());
    window->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!window->IsWorking(), test::kWaitMs);
    QCOMPARE(ChildNames(window->LocalTree()->RootItem()), QStringList{"alone.txt"});
    QVERIFY(!window->DeviceTree()->RootItem());
    QCOMPARE(window->DevicePane()->Roots()->count(), 0);
    QVERIFY(window->MessagePane().startsWith(explorer_text::kNoDevice));
    QVERIFY(prompter.told.isEmpty());
    window->close();
    QTRY_VERIFY(CPDAExplorer::Current() == nullptr);
  }

  void oneWindowAtATimeAndItsPlacementIsStored() {
    CPDAExplorer* window = fixture_.Open();
    window->resize(780, 450);
    QCOMPARE(CPDAExplorer::Current(), window);
    fixture_.Close();
    QTRY_VERIFY(CPDAExplorer::Current() == nullptr);
    QCOMPARE(fixture_.Store().ReadInt("State", "W1038", 0), 780);
    QCOMPARE(fixture_.Store().ReadInt("State", "H1038", 0), 450);
    QVERIFY(fixture_.Store().ReadInt("State", "W1039", 0) > 0);
    QVERIFY(fixture_.Store().ReadInt("State", "W1040", 0) > 0);

    CPDAExplorer::Services services;
    services.dispatcher = &fixture_.Device().Dispatcher();
    services.sender = fixture_.Device().Sender();
    services.store = &fixture_.Store();
    services.prompter = &fixture_.prompter;
    CPDAExplorer* first = CPDAExplorer::ShowOrRaise(services);
    QCOMPARE(first->size(), QSize(780, 450));
    QCOMPARE(CPDAExplorer::ShowOrRaise(services), first);
    QVERIFY(CPDAExplorer::CloseCurrent(test::kWaitMs));  // at once, even while it still lists
    QVERIFY(CPDAExplorer::Current() == nullptr);
    QTRY_COMPARE(ExplorerWorker::Live(), 0);  // the abandoned ones have gone too
  }

 private:
  ExplorerFixture fixture_;
};

}  // namespace
}  // namespace mirrodex

QTEST_MAIN(mirrodex::ExplorerTest)
#include "ExplorerTest.moc"
