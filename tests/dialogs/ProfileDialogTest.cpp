// The profile properties dialog against a settings store in a temporary folder: the first
// opening, how stored values are shown and saved again, the platform rules, the warnings,
// and saving, over-writing and removing profiles.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/PlatformCodes.h"
#include "desktop/shell/dialogs/HostAddressValidator.h"
#include "desktop/shell/dialogs/ProfileDialog.h"
#include "tests/dialogs/ScriptedPrompter.h"

namespace mirrodex {

namespace pc = profile_control;

class ProfileDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<CSettingsStore> store_;
  test::ScriptedPrompter prompter_;

  std::unique_ptr<ProfileDialog> Open(int defaultPlatform = kPlatformPocketPc2003) {
    return std::make_unique<ProfileDialog>(*store_, defaultPlatform, prompter_);
  }
  template <typename T>
  static T* Control(ProfileDialog& dialog, const char* name) {
    T* control = dialog.findChild<T*>(QLatin1String(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }
  static QComboBox* Box(ProfileDialog& dialog, const char* name) { return Control<QComboBox>(dialog, name); }
  // Chooses the entry with `text` as the user would, so the dialog's reactions run.
  static void Choose(ProfileDialog& dialog, const char* name, const QString& text) {
    QComboBox* box = Box(dialog, name);
    const int index = box->findText(text);
    if (index < 0) qFatal("no entry %s in %s", qPrintable(text), name);
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  static QString Shown(ProfileDialog& dialog, const char* name) { return Box(dialog, name)->currentText(); }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<CSettingsStore>(dir_->filePath("settings/Mirrodex.conf"));
    prompter_ = {};
  }
  void cleanup() {
    store_.reset();
    dir_.reset();
  }

  void firstOpeningStoresAndShowsTheDefaultProfile() {
    auto dialog = Open(kPlatformPocketPc2003);
    const QString name = LoadText(text::kDefaultProfileName);
    QCOMPARE(store_->ListProfiles(), QStringList{name});
    ConnectionProfile expected;
    expected.platform = kPlatformPocketPc2003;
    QCOMPARE(store_->ReadProfile(name, 0), expected);

    ProfileDialog& d = *dialog;
    QCOMPARE(Shown(d, pc::kName), name);
    QCOMPARE(Shown(d, pc::kPlatform), QStringLiteral("Pocket PC 2003"));
    QCOMPARE(Shown(d, pc::kConnType), QStringLiteral("ActiveSync"));
    QVERIFY(!Control<QLineEdit>(d, pc::kAddress)->isEnabled());
    QCOMPARE(Shown(d, pc::kConnection), QStringLiteral("Slow"));
    QCOMPARE(Shown(d, pc::kTimeOut), QStringLiteral("6"));
    QCOMPARE(Shown(d, pc::kRefreshRate), QStringLiteral("Fast"));
    QVERIFY(Control<QCheckBox>(d, pc::kInterlace)->isChecked());
    QCOMPARE(Shown(d, pc::kDeviceSpeed), QStringLiteral("Fast"));
    QCOMPARE(Shown(d, pc::kPriority), QStringLiteral("Share With Other Apps"));
    QCOMPARE(Shown(d, pc::kCompression), QStringLiteral("Statistical (Most devices + connection)"));
    QCOMPARE(dialog->ShownProfile(), expected);
    QVERIFY(prompter_.told.isEmpty());

    // The platform list keeps its order; a second opening creates nothing more.
    QComboBox* platforms = Box(d, pc::kPlatform);
    QStringList order;
    for (int i = 0; i < platforms->count(); ++i) order << platforms->itemText(i);
    QCOMPARE(order, (QStringList{"Windows CE 5.0", "Windows Mobile 5.0", "Pocket PC 2003", "Pocket PC 2002",
                                 "Windows Mobile Phone Ed 5.0", "Smartphone 2003", "Smartphone 2002",
                                 "All Other (PPC/WinCE/HPC)", "Symbian UIQ"}));
    dialog.reset();
    dialog = Open();
    QCOMPARE(store_->ListProfiles().size(), 1);
  }

  // Every stored value survives being shown and saved again unchanged.
  void storedValuesAreShownAndSavedBackUnchanged() {
    ConnectionProfile phone;
    phone.timeOutSeconds = 15;
    phone.compressionType = 3;
    phone.refreshRate = 250;
    phone.connection = 0;
    phone.priority = 3;
    phone.platform = kPlatformSmartphone2003;
    phone.interlace = false;
    phone.deviceSpeed = 5;  // not what the platform would choose: kept as stored
    phone.connType = kConnTypeTcpIp;
    phone.hostIp = "phone.example.net";
    ConnectionProfile odd;
    odd.timeOutSeconds = 12;  // not offered by the list
    odd.refreshRate = 500;
    odd.platform = kPlatformSymbianUiq;
    odd.connType = kConnTypeActiveSync;  // a Symbian device always connects over TCP/IP
    odd.deviceSpeed = 1;
    QVERIFY(store_->WriteProfile("Phone", phone));
    QVERIFY(store_->WriteProfile("Odd", odd));
    QVERIFY(store_->SetInt(setting::kCurrentProfile, store_->ListProfiles().indexOf("Phone")));

    auto dialog = Open();
    QCOMPARE(store_->ListProfiles().size(), 2);  // no "<Default>" once profiles exist
    QCOMPARE(Shown(*dialog, pc::kName), QStringLiteral("Phone"));
    QCOMPARE(Shown(*dialog, pc::kDeviceSpeed), QStringLiteral("Medium"));
    QCOMPARE(Shown(*dialog, pc::kPriority), QStringLiteral("Me First!"));
    QVERIFY(Control<QLineEdit>(*dialog, pc::kAddress)->isEnabled());
    QCOMPARE(dialog->ShownProfile(), phone);

    Choose(*dialog, pc::kName, "Odd");
    QCOMPARE(Shown(*dialog, pc::kTimeOut), QStringLiteral("12"));
    QCOMPARE(Shown(*dialog, pc::kConnType), QStringLiteral("TCP\\IP"));
    QVERIFY(!Box(*dialog, pc::kConnType)->isEnabled());
    odd.connType = kConnTypeTcpIp;
    QCOMPARE(dialog->ShownProfile(), odd);
    QVERIFY(prompter_.reminded.empty());  // showing a profile never warns
  }

  void platformRulesFollowTheChosenPlatform() {
    auto dialog = Open(kPlatformPocketPc2003);
    ProfileDialog& d = *dialog;
    QComboBox* connType = Box(d, pc::kConnType);
    QLineEdit* address = Control<QLineEdit>(d, pc::kAddress);

    Choose(d, pc::kPlatform, "Symbian UIQ");
    QCOMPARE(connType->currentText(), QStringLiteral("TCP\\IP"));
    QVERIFY(!connType->isEnabled());
    QVERIFY(address->isEnabled());
    QCOMPARE(Shown(d, pc::kDeviceSpeed), QStringLiteral("Fast"));

    Choose(d, pc::kPlatform, "Smartphone 2002");
    QCOMPARE(Shown(d, pc::kDeviceSpeed), QStringLiteral("Slow"));
    QCOMPARE(connType->currentText(), QStringLiteral("ActiveSync"));
    QVERIFY(connType->isEnabled());
    QVERIFY(!address->isEnabled());

    Choose(d, pc::kConnType, "TCP\\IP");
    QVERIFY(address->isEnabled());
    Choose(d, pc::kPlatform, "Pocket PC 2003");
    QCOMPARE(Shown(d, pc::kDeviceSpeed), QStringLiteral("Fast"));
    QCOMPARE(connType->currentText(), QStringLiteral("ActiveSync"));
    QVERIFY(!address->isEnabled());
    Choose(d, pc::kPlatform, "Smartphone 2003");
    QCOMPARE(Shown(d, pc::kDeviceSpeed), QStringLiteral("Slow"));
  }

  void fastConnectionAndMaxRefreshWarnWithTheReminder() {
    auto dialog = Open();
    Choose(*dialog, pc::kConnection, "Slow");
    Choose(*dialog, pc::kRefreshRate, "Low");
    QVERIFY(prompter_.reminded.empty());
    Choose(*dialog, pc::kConnection, "Fast");
    Choose(*dialog, pc::kRefreshRate, "Max");
    QCOMPARE(prompter_.reminded, (std::vector<std::pair<int, int>>{
                                     {text::kFastConnectionWarning, text::kInformation},
                                     {text::kMaxRefreshWarning, text::kInformation}}));
  }

  void saveAddsOrAsksBeforeOverwriting() {
    auto dialog = Open(kPlatformPocketPc2003);
    const QString defaultName = LoadText(text::kDefaultProfileName);
    const ConnectionProfile before = store_->ReadProfile(defaultName, 0);
    QComboBox* name = Box(*dialog, pc::kName);
    QSignalSpy changed(dialog.get(), &ProfileDialog::profilesChanged);

    // A new name: stored at once, the old profile untouched, the dialog closes.
    name->setEditText("  Office  ");
    Choose(*dialog, pc::kConnType, "TCP\\IP");
    Control<QLineEdit>(*dialog, pc::kAddress)->setText("10.0.0.7");
    dialog->Save();
    QVERIFY(prompter_.asked.isEmpty());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->SavedName(), QStringLiteral("Office"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(store_->ReadProfile(defaultName, 0), before);
    QCOMPARE(store_->ReadProfile("Office", 0).hostIp, QStringLiteral("10.0.0.7"));
    QCOMPARE(store_->ReadProfile("Office", 0).connType, kConnTypeTcpIp);

    // An existing name asks; No saves nothing and keeps the dialog open.
    dialog = Open();
    name = Box(*dialog, pc::kName);
    name->setEditText("Office");
    Choose(*dialog, pc::kTimeOut, "20");
    prompter_.answers = {false};
    dialog->Save();
    QCOMPARE(prompter_.asked,
             QStringList{"The profile 'Office' exists, would you like to over-write it?"});
    QCOMPARE(prompter_.askedIcons.front(), PromptIcon::kQuestion);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(store_->ReadProfile("Office", 0).timeOutSeconds, 6);
    prompter_.answers = {true};
    dialog->Save();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(store_->ReadProfile("Office", 0).timeOutSeconds, 20);
    QCOMPARE(store_->GetInt(setting::kCurrentProfile), 0);  // the current profile is left alone
  }

  void saveRefusesAnEmptyOrUnusableNameAndABadAddress() {
    auto dialog = Open();
    QComboBox* name = Box(*dialog, pc::kName);
    const QStringList before = store_->ListProfiles();
    name->setEditText("   ");
    dialog->Save();
    name->setEditText("a/b");
    dialog->Save();
    name->setEditText("Lab");
    Choose(*dialog, pc::kConnType, "TCP\\IP");
    Control<QLineEdit>(*dialog, pc::kAddress)->setText("300.1.2.3");
    dialog->Save();
    QCOMPARE(prompter_.told, (QStringList{LoadText(text::kProfileNameEmpty), LoadText(text::kProfileNameInvalid),
                                          LoadText(text::kInvalidAddress)}));
    QCOMPARE(store_->ListProfiles(), before);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
  }

  void removeDeletesTheTypedProfileWithItsValuesAfterAsking() {
    QVERIFY(store_->WriteProfile("Alpha", {}));
    ConnectionProfile beta;
    beta.timeOutSeconds = 9;
    QVERIFY(store_->WriteProfile("Beta", beta));
    auto dialog = Open();
    QComboBox* name = Box(*dialog, pc::kName);
    Choose(*dialog, pc::kName, "Beta");

    prompter_.answers = {false};
    dialog->Remove();
    QCOMPARE(prompter_.asked, QStringList{"Are you sure you want to delete Beta?"});
    QVERIFY(store_->ProfileExists("Beta"));

    prompter_.answers = {true};
    dialog->Remove();
    QVERIFY(!store_->ProfileExists("Beta"));
    QVERIFY(store_->ListProfileValues("Beta").isEmpty());
    QCOMPARE(name->count(), 1);
    QCOMPARE(name->currentText(), QStringLiteral("Alpha"));
    QCOMPARE(dialog->ShownProfile().timeOutSeconds, 6);

    // The typed name decides, also when another entry is selected in the list.
    name->setEditText("Alpha");
    prompter_.answers = {true};
    dialog->Remove();
    QVERIFY(store_->ListProfiles().isEmpty());
    QCOMPARE(name->count(), 0);

    prompter_.Clear();
    name->setEditText("");
    dialog->Remove();
    QCOMPARE(prompter_.told, QStringList{LoadText(text::kProfileNameEmpty)});
    QVERIFY(prompter_.asked.isEmpty());
  }

  void addressFieldTakesIpv4AddressesAndHostNames() {
    for (const char* good : {"192.168.1.20", "0.0.0.0", "255.255.255.255", "localhost", "my-device.local",
                             "device7.example.org.", "10x.1.2.3"})
      QVERIFY2(HostAddressValidator::IsHostAddress(good), good);
    for (const char* bad : {"", "300.1.2.3", "1.2.3", "1.2.3.4.5", "1.2.3.4.", "-dev.local", "dev-.local",
                            "a..b", "01234.1.1.1"})
      QVERIFY2(!HostAddressValidator::IsHostAddress(bad), bad);
    QVERIFY(!HostAddressValidator::IsHostAddress(QString(254, 'a')));

    HostAddressValidator validator;
    int pos = 0;
    QString typing = "192.168.";
    QCOMPARE(validator.validate(typing, pos), QValidator::Intermediate);
    QString space = "192.168.1.2 ";
    QCOMPARE(validator.validate(space, pos), QValidator::Invalid);
    QString slash = "dev/ice";
    QCOMPARE(validator.validate(slash, pos), QValidator::Invalid);
    QString empty;
    QCOMPARE(validator.validate(empty, pos), QValidator::Acceptable);
  }
};

}  // namespace mirrodex

QTEST_MAIN(mirrodex::ProfileDialogTest)
#include "ProfileDialogTest.moc"
