#include "desktop/shell/dialogs/ProfileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "desktop/resources/HelpPages.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/PlatformCodes.h"
#include "desktop/shell/dialogs/HelpWindow.h"
#include "desktop/shell/dialogs/HostAddressValidator.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {
namespace {

struct Item {
  const char* text;
  int data;
};

// The platform list is shown in this order, not sorted.
constexpr std::array<uint16_t, 9> kPlatformOrder = {
    kPlatformWindowsCe5,         kPlatformWindowsMobile5, kPlatformPocketPc2003,
    kPlatformPocketPc2002,       kPlatformWindowsMobilePhone5, kPlatformSmartphone2003,
    kPlatformSmartphone2002,     kPlatformOtherWinCe,     kPlatformSymbianUiq};
constexpr Item kConnTypes[] = {{"ActiveSync", kConnTypeActiveSync}, {"TCP\\IP", kConnTypeTcpIp}};
constexpr Item kConnections[] = {{"Fast", 0}, {"Slow", 1}};
constexpr Item kRefreshRates[] = {{"Low", 500}, {"Medium", 250}, {"Fast", 50}, {"Max", 0}};
constexpr Item kDeviceSpeeds[] = {{"Fast", 9}, {"Medium", 5}, {"Slow", 1}};
constexpr Item kPriorities[] = {
    {"Allow Other Apps", 0}, {"Share With Other Apps", 1}, {"Get More", 2}, {"Me First!", 3}};
constexpr Item kCompressions[] = {{"Statistical (Most devices + connection)", 0},
                                  {"Non-Statistical (Slow devices + good connection)", 1},
                                  {"Statistical Reduce Color (Slow connection)", 2},
                                  {"Non Statistical Reduce Color (Slow device + connection)", 3}};
constexpr int kTimeOuts[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20};

constexpr int kFastConnection = 0;
constexpr int kMaxRefreshRate = 0;
constexpr int kSlowDeviceSpeed = 1;
constexpr int kFastDeviceSpeed = 9;

template <size_t N>
QComboBox* MakeList(const char* objectName, const Item (&items)[N]) {
  auto* box = new QComboBox;
  box->setObjectName(QLatin1String(objectName));
  for (const Item& item : items) box->addItem(QString::fromUtf8(item.text), item.data);
  return box;
}

void SelectData(QComboBox* box, int data, int fallbackIndex) {
  const int index = box->findData(data);
  box->setCurrentIndex(index >= 0 ? index : fallbackIndex);
}

bool IsSmartphone(int platform) {
  return platform == kPlatformSmartphone2002 || platform == kPlatformSmartphone2003;
}

}  // namespace

ProfileDialog::ProfileDialog(CSettingsStore& store, int defaultPlatform, MessagePrompter& prompter,
                             QWidget* parent)
    : QDialog(parent), store_(store), prompter_(prompter), defaultPlatform_(defaultPlatform) {
  setWindowTitle(tr("Properties"));
  setWindowIcon(LoadIcon(Icon::kApplication));
  BuildControls();
  FillNames();
  if (name_->count() == 0) {
    ConnectionProfile defaults;
    defaults.platform = defaultPlatform_;
    const QString name = LoadText(text::kDefaultProfileName);
    if (!store_.WriteProfile(name, defaults)) {
      prompter_.Tell(this, FormatText(text::kProfileSaveFailed, store_.FileName()), PromptIcon::kError);
    }
    name_->addItem(name);
  }
  const int stored = store_.GetInt(setting::kCurrentProfile);
  const int index = stored >= 0 && stored < name_->count() ? stored : 0;
  name_->setCurrentIndex(index);
  LoadAndShow(name_->itemText(index));
}

void ProfileDialog::BuildControls() {
  name_ = new QComboBox;
  name_->setObjectName(QLatin1String(profile_control::kName));
  name_->setEditable(true);
  name_->setInsertPolicy(QComboBox::NoInsert);
  name_->setMinimumContentsLength(24);
  auto* remove = new QPushButton(tr("Remove"));
  remove->setObjectName(QLatin1String(profile_control::kRemove));
  remove->setAutoDefault(false);

  platform_ = new QComboBox;
  platform_->setObjectName(QLatin1String(profile_control::kPlatform));
  for (uint16_t code : kPlatformOrder) platform_->addItem(QString::fromUtf8(PlatformName(code)), code);
  connType_ = MakeList(profile_control::kConnType, kConnTypes);
  address_ = new QLineEdit;
  address_->setObjectName(QLatin1String(profile_control::kAddress));
  address_->setValidator(new HostAddressValidator(address_));
  address_->setMaxLength(HostAddressValidator::kMaxLength);
  address_->setPlaceholderText(tr("e.g. 192.168.1.20 or my-device.local"));
  address_->setClearButtonEnabled(true);
  connection_ = MakeList(profile_control::kConnection, kConnections);
  timeOut_ = new QComboBox;
  timeOut_->setObjectName(QLatin1String(profile_control::kTimeOut));
  for (int seconds : kTimeOuts) timeOut_->addItem(QString::number(seconds));

  refreshRate_ = MakeList(profile_control::kRefreshRate, kRefreshRates);
  compression_ = MakeList(profile_control::kCompression, kCompressions);
  deviceSpeed_ = MakeList(profile_control::kDeviceSpeed, kDeviceSpeeds);
  priority_ = MakeList(profile_control::kPriority, kPriorities);
  interlace_ = new QCheckBox(tr("Remove Interlacing"));
  interlace_->setObjectName(QLatin1String(profile_control::kInterlace));

  auto* profileRow = new QHBoxLayout;
  profileRow->addWidget(new QLabel(tr("Profile Name:")));
  profileRow->addWidget(name_, 1);
  profileRow->addWidget(remove);

  auto* device = new QGroupBox(tr("Device and connection"));
  auto* deviceForm = new QFormLayout(device);
  deviceForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  deviceForm->addRow(tr("Device Platform Type:"), platform_);
  deviceForm->addRow(tr("Connection Type:"), connType_);
  deviceForm->addRow(tr("Device IP (optional):"), address_);
  deviceForm->addRow(tr("The connection to the device is"), connection_);
  auto* timeOutRow = new QHBoxLayout;
  timeOutRow->addWidget(timeOut_);
  timeOutRow->addWidget(new QLabel(tr("seconds")));
  timeOutRow->addStretch(1);
  deviceForm->addRow(tr("Timeout if not connected within"), timeOutRow);

  auto* picture = new QGroupBox(tr("Screen picture"));
  auto* pictureForm = new QFormLayout(picture);
  pictureForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  pictureForm->addRow(tr("Refresh Rate:"), refreshRate_);
  pictureForm->addRow(tr("Screen Compression Method:"), compression_);
  pictureForm->addRow(tr("Device Speed:"), deviceSpeed_);
  pictureForm->addRow(tr("Device Priority (Symbian Only):"), priority_);
  pictureForm->addRow(QString(), interlace_);

  auto* buttons = new QDialogButtonBox;
  QPushButton* save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
  save->setObjectName(QLatin1String(profile_control::kSave));
  save->setDefault(true);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName(QLatin1String(profile_control::kCancel));
  QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
  help->setObjectName(QLatin1String(profile_control::kHelp));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->setSpacing(12);
  layout->addLayout(profileRow);
  layout->addWidget(device);
  layout->addWidget(picture);
  layout->addStretch(1);
  layout->addWidget(buttons);

  // Save decides itself whether the dialog closes; the box's accepted signal is not used.
  connect(save, &QPushButton::clicked, this, &ProfileDialog::Save);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, &ProfileDialog::ShowHelp);
  connect(remove, &QPushButton::clicked, this, &ProfileDialog::Remove);
  connect(name_, &QComboBox::activated, this, &ProfileDialog::OnNameActivated);
  connect(platform_, &QComboBox::activated, this, [this] { ApplyPlatformRules(true); });
  connect(connType_, &QComboBox::currentIndexChanged, this, &ProfileDialog::UpdateAddressEnabled);
  connect(connection_, &QComboBox::activated, this, [this] {
    if (connection_->currentData().toInt() == kFastConnection)
      prompter_.Remind(this, text::kFastConnectionWarning, text::kInformation, ReminderForm::kLarge);
  });
  connect(refreshRate_, &QComboBox::activated, this, [this] {
    if (refreshRate_->currentData().toInt() == kMaxRefreshRate)
      prompter_.Remind(this, text::kMaxRefreshWarning, text::kInformation, ReminderForm::kLarge);
  });
}

void ProfileDialog::FillNames() {
  name_->clear();
  name_->addItems(store_.ListProfiles());
}

QString ProfileDialog::TypedName() const { return name_->currentText().trimmed(); }

void ProfileDialog::OnNameActivated(int index) {
  const QString name = name_->itemText(index);
  if (!name.isEmpty()) LoadAndShow(name);
}

void ProfileDialog::LoadAndShow(const QString& name) {
  if (name.isEmpty()) return;
  Show(store_.ReadProfile(name, defaultPlatform_));
}

void ProfileDialog::Show(const ConnectionProfile& profile) {
  const QString seconds = QString::number(profile.timeOutSeconds);
  int timeOutIndex = timeOut_->findText(seconds);
  if (timeOutIndex < 0 && profile.timeOutSeconds > 0) {
    // A stored time-out the list does not offer is kept, not turned into another value.
    timeOutIndex = 0;
    while (timeOutIndex < timeOut_->count() && timeOut_->itemText(timeOutIndex).toInt() < profile.timeOutSeconds)
      ++timeOutIndex;
    timeOut_->insertItem(timeOutIndex, seconds);
  }
  timeOut_->setCurrentIndex(timeOutIndex >= 0 ? timeOutIndex : timeOut_->findText(QStringLiteral("6")));

  const int compression = profile.compressionType;
  compression_->setCurrentIndex(compression >= 1 && compression <= 3 ? compression : 0);
  SelectData(refreshRate_, profile.refreshRate == 500 || profile.refreshRate == 250 || profile.refreshRate == 0
                               ? profile.refreshRate
                               : 50,
             2);
  connection_->setCurrentIndex(profile.connection == 0 ? 0 : 1);
  const int priority = profile.priority;
  priority_->setCurrentIndex(priority == 0 || priority == 2 || priority == 3 ? priority : 1);
  SelectData(platform_, profile.platform, 0);
  interlace_->setChecked(profile.interlace);
  connType_->setCurrentIndex(profile.connType != kConnTypeActiveSync ? 1 : 0);
  SelectData(deviceSpeed_, profile.deviceSpeed == 1 || profile.deviceSpeed == 5 ? profile.deviceSpeed : 9, 0);
  address_->setText(profile.hostIp);
  ApplyPlatformRules(false);
}

void ProfileDialog::ApplyPlatformRules(bool platformChanged) {
  const int platform = platform_->currentData().toInt();
  if (platformChanged) connType_->setCurrentIndex(kConnTypeActiveSync);
  const bool symbian = platform == kPlatformSymbianUiq;
  if (symbian) connType_->setCurrentIndex(kConnTypeTcpIp);
  connType_->setEnabled(!symbian);
  UpdateAddressEnabled();
  // Only a new choice of platform sets the speed: a speed stored with the profile is shown as
  // it is, so that opening and saving a profile never changes it.
  if (platformChanged) SelectData(deviceSpeed_, IsSmartphone(platform) ? kSlowDeviceSpeed : kFastDeviceSpeed, 0);
}

void ProfileDialog::UpdateAddressEnabled() { address_->setEnabled(connType_->currentIndex() == kConnTypeTcpIp); }

ConnectionProfile ProfileDialog::ShownProfile() const {
  ConnectionProfile profile;
  profile.timeOutSeconds = timeOut_->currentText().toInt();
  profile.compressionType = compression_->currentData().toInt();
  profile.refreshRate = refreshRate_->currentData().toInt();
  profile.connection = connection_->currentData().toInt();
  profile.priority = priority_->currentData().toInt();
  profile.platform = platform_->currentData().toInt();
  profile.deviceSpeed = deviceSpeed_->currentData().toInt();
  profile.interlace = interlace_->isChecked();
  profile.connType = connType_->currentIndex();
  profile.hostIp = address_->text().trimmed();
  return profile;
}

void ProfileDialog::Save() {
  const QString name = TypedName();
  if (name.isEmpty()) {
    prompter_.Tell(this, LoadText(text::kProfileNameEmpty), PromptIcon::kWarning);
    return;
  }
  if (!CSettingsStore::IsValidName(name)) {
    prompter_.Tell(this, LoadText(text::kProfileNameInvalid), PromptIcon::kWarning);
    return;
  }
  const ConnectionProfile profile = ShownProfile();
  if (!profile.hostIp.isEmpty() && !HostAddressValidator::IsHostAddress(profile.hostIp)) {
    prompter_.Tell(this, LoadText(text::kInvalidAddress), PromptIcon::kWarning);
    address_->setFocus();
    return;
  }
  if (store_.ProfileExists(name) &&
      !prompter_.Ask(this, FormatText(text::kProfileExistsOverwrite, name), PromptIcon::kQuestion)) {
    return;
  }
  // A profile that could not be stored is reported, and the dialog stays open with the edits.
  if (!store_.WriteProfile(name, profile)) {
    prompter_.Tell(this, FormatText(text::kProfileSaveFailed, store_.FileName()), PromptIcon::kError);
    return;
  }
  savedName_ = name;
  emit profilesChanged();
  accept();
}

void ProfileDialog::Remove() {
  const QString name = TypedName();
  if (name.isEmpty()) {
    prompter_.Tell(this, LoadText(text::kProfileNameEmpty), PromptIcon::kWarning);
    return;
  }
  if (!prompter_.Ask(this, FormatText(text::kConfirmDelete, name), PromptIcon::kQuestion)) return;
  // The typed name decides both what is deleted and which list entry goes, so the list and
  // the stored profiles always agree.
  if (store_.ProfileExists(name) && !store_.DeleteProfile(name)) {
    prompter_.Tell(this, FormatText(text::kProfileRemoveFailed, name), PromptIcon::kError);
    return;
  }
  const int listed = name_->findText(name, Qt::MatchExactly);
  if (listed >= 0) name_->removeItem(listed);
  emit profilesChanged();
  if (name_->count() == 0) {
    name_->setEditText(QString());
    return;
  }
  name_->setCurrentIndex(0);
  LoadAndShow(name_->itemText(0));
}

void ProfileDialog::ShowHelp() { HelpWindow::ShowTopic(QString::fromLatin1(help::kOptionsTopic), this); }

}  // namespace mirrodex
