// The reminder dialog's "Show this message again" flag, the help window's topics and links,
// and a picture of every dialog (saved as PNG next to the test for a look).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "desktop/resources/ProgramInfo.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/dialogs/AboutDialog.h"
#include "desktop/shell/dialogs/DeviceAppsDialog.h"
#include "desktop/shell/dialogs/HelpWindow.h"
#include "desktop/shell/dialogs/ProfileDialog.h"
#include "desktop/shell/dialogs/ReminderDialog.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "desktop/shell/dialogs/SelectPlatformDialog.h"
#include "tests/dialogs/ProcessReplies.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/requests/ScriptedAgent.h"

namespace mirrodex {
namespace {

constexpr int kWaitMs = 60000;

// Answers the next reminder dialog that opens: sets its box, then presses OK.
class ReminderAnswer : public QObject {
 public:
  explicit ReminderAnswer(bool showAgain) : showAgain_(showAgain) {
    connect(&poll_, &QTimer::timeout, this, [this] {
      auto* dialog = qobject_cast<ReminderDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      seen = dialog->Message();
      caption = dialog->windowTitle();
      dialog->SetShowAgain(showAgain_);
      dialog->accept();
      poll_.stop();
    });
    poll_.start(5);
  }
  QString seen;
  QString caption;

 private:
  bool showAgain_;
  QTimer poll_;
};

QImage Picture(QWidget& widget, const QString& name) {
  widget.show();
  if (!QTest::qWaitForWindowExposed(&widget)) return {};
  const QImage image = widget.grab().toImage();
  const QString dir = qEnvironmentVariable("MIRRODEX_PICTURE_DIR");
  if (!dir.isEmpty()) {
    QDir().mkpath(dir);
    image.save(dir + "/" + name + ".png");
  }
  return image;
}

// A picture that shows something: more than one colour in a good share of it.
bool HasContent(const QImage& image) {
  if (image.isNull() || image.width() < 100 || image.height() < 60) return false;
  const QRgb background = image.pixel(image.width() - 2, image.height() - 2);
  int different = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) different += image.pixel(x, y) != background;
  return different > (image.width() * image.height() / 4) / 50;
}

}  // namespace

class OtherDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void reminderRemembersShowThisMessageAgain() {
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath("Mirrodex.conf"));
    {
      ReminderAnswer keep(true);
      QVERIFY(ShowReminder(nullptr, store, text::kHideFrameHint, text::kInformation, ReminderForm::kSmall));
      QCOMPARE(keep.seen, LoadText(text::kHideFrameHint));
      QCOMPARE(keep.caption, QStringLiteral("Information"));
    }
    QVERIFY(store.GetFlag(text::kHideFrameHint));
    {
      ReminderAnswer stop(false);
      QVERIFY(ShowReminder(nullptr, store, text::kHideFrameHint, text::kInformation, ReminderForm::kLarge));
    }
    QCOMPARE(store.GetInt(text::kHideFrameHint, 1), 0);
    // Switched off: not shown again, and other messages are not affected.
    QVERIFY(!ShowReminder(nullptr, store, text::kHideFrameHint, text::kInformation, ReminderForm::kSmall));
    QVERIFY(store.GetFlag(text::kFastConnectionWarning));
    {
      // Without remembering it shows and stores nothing.
      ReminderAnswer once(false);
      QVERIFY(ShowReminder(nullptr, store, text::kInstallError, text::kInformation, ReminderForm::kLarge, false));
      QCOMPARE(once.seen, LoadText(text::kInstallError));
    }
    QVERIFY(store.GetFlag(text::kInstallError));
  }

  void helpShowsATopicByNameAndFollowsLinks() {
    QWidget frame;
    HelpWindow* help = HelpWindow::ShowTopic("options.html", &frame);
    QCOMPARE(help->CurrentTopic(), QStringLiteral("options.html"));
    QCOMPARE(HelpWindow::ShowTopic("pdaexplorer.html", &frame), help);  // one window
    QCOMPARE(help->CurrentTopic(), QStringLiteral("pdaexplorer.html"));
    auto* contents = help->findChild<QListWidget*>("helpContents");
    QCOMPARE(contents->currentItem()->text(), QStringLiteral("File manager"));
    HelpWindow::ShowTopic("no-such-page.html", &frame);
    QCOMPARE(help->CurrentTopic(), QStringLiteral("main.html"));

    // A link to another page moves the contents pane along; picking a topic there shows it.
    auto* browser = help->findChild<QTextBrowser*>("helpBrowser");
    browser->setSource(QUrl("options.html"));
    QCOMPARE(help->CurrentTopic(), QStringLiteral("options.html"));
    QCOMPARE(contents->currentRow(), 1);
    contents->setCurrentRow(2);
    QCOMPARE(help->CurrentTopic(), QStringLiteral("pdaexplorer.html"));
    QVERIFY(browser->toPlainText().contains("Copying files"));
    help->close();
    QTRY_VERIFY(HelpWindow::Current() == nullptr);
  }

  // The kind of device follows the profiles' platform list; a matching kind keeps the code.
  void selectPlatformPreselectsAndStoresTheDeviceKind() {
    const auto kindShown = [](int platform) {
      SelectPlatformDialog dialog(platform);
      return dialog.findChild<QComboBox*>(platform_control::kDeviceType)->currentText();
    };
    QCOMPARE(kindShown(1), QStringLiteral("Symbian UIQ"));
    QCOMPARE(kindShown(4), QStringLiteral("Windows Mobile/Smartphone"));
    QCOMPARE(kindShown(6), QStringLiteral("Windows Mobile/Smartphone"));
    for (int pocketPc : {0, 2, 3, 5, 7, 8, 9, 10}) QCOMPARE(kindShown(pocketPc), QStringLiteral("Windows Mobile/PocketPC"));

    QTemporaryDir dir;
    CSettingsStore store(dir.filePath("Mirrodex.conf"));
    SelectPlatformDialog smartphone(4);
    QCOMPARE(smartphone.ChosenPlatform(), 4);
    auto* kind = smartphone.findChild<QComboBox*>(platform_control::kDeviceType);
    kind->setCurrentIndex(0);
    QCOMPARE(smartphone.ChosenPlatform(), 8);
    kind->setCurrentIndex(2);
    QCOMPARE(smartphone.ChosenPlatform(), 1);
    SelectPlatformDialog unknown(0);
    unknown.findChild<QComboBox*>(platform_control::kDeviceType)->setCurrentIndex(1);
    QCOMPARE(unknown.ChosenPlatform(), 6);

    // No with the box checked stores nothing; a cleared box stops the offer on either answer.
    smartphone.StoreAnswer(store, false);
    QCOMPARE(store.GetInt(setting::kPlatformCode), 0);
    QCOMPARE(store.GetInt(setting::kNoInstallOffer), 0);
    smartphone.findChild<QCheckBox*>(platform_control::kAskAgain)->setChecked(false);
    smartphone.StoreAnswer(store, true);
    QCOMPARE(store.GetInt(setting::kPlatformCode), 1);
    QCOMPARE(store.GetInt(setting::kNoInstallOffer), 1);
  }

  void everyDialogDrawsAPicture() {
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath("Mirrodex.conf"));
    test::ScriptedPrompter prompter;

    ConnectionProfile lab;
    lab.connType = kConnTypeTcpIp;
    lab.hostIp = "192.168.1.20";
    QVERIFY(store.WriteProfile("Lab device", lab));
    ProfileDialog profiles(store, 5, prompter);
    QVERIFY(HasContent(Picture(profiles, "profile_dialog")));

    ReplyDispatcher dispatcher;
    test::ScriptedAgent agent(dispatcher, [](const test::SeenRequest&) {
      return test::ProcessListReply({{u"init", 1}, {u"Xvfb", 77}, {u"xterm", 812}, {u"mirrodex-demo-device", 4242},
                                     {u"mirrodex-host", 4250}, {u"openbox", 90}});
    });
    RequestWorker worker(dispatcher, agent.Sender());
    DeviceAppsDialog apps(worker, prompter);
    QVERIFY(QTest::qWaitFor([&] { return !apps.IsBusy(); }, kWaitMs));
    QVERIFY(HasContent(Picture(apps, "device_apps_dialog")));

    ReminderDialog small(LoadText(text::kHideFrameHint), LoadText(text::kInformation), ReminderForm::kSmall);
    QVERIFY(HasContent(Picture(small, "reminder_small")));
    ReminderDialog large(LoadText(text::kFastConnectionWarning), LoadText(text::kInformation), ReminderForm::kLarge);
    QVERIFY(HasContent(Picture(large, "reminder_large")));

    HelpWindow help;
    help.SelectTopic("main.html");
    QVERIFY(HasContent(Picture(help, "help_window")));

    SelectPlatformDialog platform(5);
    QVERIFY(HasContent(Picture(platform, "select_platform_dialog")));

    AboutDialog about;
    QVERIFY(about.findChild<QLabel*>("aboutVersion")->text().contains(ProgramVersion()));
    QVERIFY(HasContent(Picture(about, "about_dialog")));
    QVERIFY(prompter.told.isEmpty());
  }
};

}  // namespace mirrodex

QTEST_MAIN(mirrodex::OtherDialogsTest)
#include "OtherDialogsTest.moc"
