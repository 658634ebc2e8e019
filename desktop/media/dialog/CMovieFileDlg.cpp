#include "desktop/media/dialog/CMovieFileDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <ctime>

#include "desktop/media/AviCompressorPrefs.h"
#include "desktop/media/MovieTypes.h"
#include "desktop/media/dialog/AviConfigureDialog.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {
namespace {

constexpr int kQualitySteps = 20;  // "5", "10", ... "100"

QString ImageSuffix(int typeIndex) {
  return typeIndex == MovieFileChoices::kJpegType ? QStringLiteral("jpg") : QStringLiteral("bmp");
}

}  // namespace

QStringList CMovieFileDlg::NameFilters(const char* filter) {
  // Pairs of description and patterns; the patterns go into the description's parentheses in
  // the form Qt reads (blank-separated).
  const QStringList parts = QString::fromUtf8(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString description = parts[i];
    if (const qsizetype open = description.lastIndexOf(u'('); open > 0) description.truncate(open);
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    patterns.removeDuplicates();
    filters << description.trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

CMovieFileDlg::CMovieFileDlg(CSettingsStore& store, MessagePrompter& prompter, QWidget* parent)
    : QFileDialog(parent), store_(store), prompter_(prompter), choices_(store) {
  setObjectName(QStringLiteral("MovieFileDialog"));
  setOption(QFileDialog::DontUseNativeDialog, true);
  // The file finally written can differ from the one selected (extension rules, automatic
  // names): AskSavePath asks about that one instead.
  setOption(QFileDialog::DontConfirmOverwrite, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setWindowTitle(QString::fromUtf8(MovieFileChoices::kTitle));

  profileLabel_ = new QLabel(QStringLiteral("Profile:"), this);
  profileList_ = new QComboBox(this);
  profileList_->setObjectName(QStringLiteral("ProfileList"));
  profileList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  profileLabel_->setBuddy(profileList_);
  configure_ = new QPushButton(QStringLiteral("Configure"), this);
  configure_->setObjectName(QStringLiteral("Configure"));
  configure_->setAutoDefault(false);
  qualityLabel_ = new QLabel(QStringLiteral("Quality:"), this);
  qualityList_ = new QComboBox(this);
  qualityList_->setObjectName(QStringLiteral("QualityList"));
  for (int i = 1; i <= kQualitySteps; ++i) qualityList_->addItem(QString::number(i * 5));
  qualityLabel_->setBuddy(qualityList_);
  autoNames_ = new QCheckBox(QStringLiteral("Automatically Generate Filenames"), this);
  autoNames_->setObjectName(QStringLiteral("AutoNames"));

  // Under the file name and type rows of the dialog's own grid.
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    int row = grid->rowCount();
    grid->addWidget(profileLabel_, row, 0);
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(profileList_, 1);
    profileRow->addWidget(configure_);
    grid->addLayout(profileRow, row++, 1);
    grid->addWidget(qualityLabel_, row, 0);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(qualityList_);
    qualityRow->addStretch(1);
    grid->addLayout(qualityRow, row++, 1);
    grid->addWidget(autoNames_, row, 1);
  }

  connect(this, &QFileDialog::filterSelected, this, [this](const QString& f) { OnFilterSelected(f); });
  connect(profileList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!filling_) choices_.SelectProfile(index);
  });
  connect(qualityList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!filling_ && index >= 0) choices_.SelectQuality(index);
  });
  connect(autoNames_, &QCheckBox::toggled, this, [this](bool on) { choices_.SetAutoNames(on); });
  connect(configure_, &QPushButton::clicked, this, [this] { Configure(); });
}

void CMovieFileDlg::Prepare(MovieFileChoices::Mode mode, const QString& initialName) {
  choices_.Open(mode);
  const bool image = mode == MovieFileChoices::Mode::kImage;
  filters_ = NameFilters(image ? MovieFileChoices::kImageFilter : kMovieFilter);
  setNameFilters(filters_);
  selectNameFilter(filters_.value(choices_.TypeIndex()));
  // Screenshots start in their stored folder; later openings where the last one ended.
  QString folder = QString::fromStdString(choices_.Folder());
  if (folder.isEmpty() && image) folder = store_.GetText(setting::kScreenshotFolder);
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) setDirectory(folder);
  selectFile(initialName);

  filling_ = true;
  qualityList_->setCurrentIndex(choices_.QualityIndex());
  filling_ = false;
  autoNames_->setChecked(false);
  FillProfiles();
  ShowControls();
}

void CMovieFileDlg::SelectType(int typeIndex) {
  selectNameFilter(filters_.value(typeIndex));
  OnFilterSelected(filters_.value(typeIndex));
}

void CMovieFileDlg::OnFilterSelected(const QString& filter) {
  const qsizetype index = filters_.indexOf(filter);
  if (index < 0) return;
  choices_.ChangeType(static_cast<int>(index));
  FillProfiles();
  ShowControls();
}

void CMovieFileDlg::FillProfiles() {
  filling_ = true;
  profileList_->clear();
  for (const ProfileEntry& entry : choices_.Profiles())
    profileList_->addItem(QString::fromStdString(entry.text), QVariant::fromValue(entry.item));
  profileList_->setCurrentIndex(choices_.ProfileIndex());
  filling_ = false;
}

void CMovieFileDlg::ShowControls() {
  const MovieFileChoices::Controls shown = choices_.Shown();
  profileLabel_->setVisible(shown.profile);
  profileList_->setVisible(shown.profile);
  configure_->setVisible(shown.configure);
  configure_->setEnabled(choices_.ProfileIndex() >= 0);
  qualityLabel_->setVisible(shown.quality);
  qualityList_->setVisible(shown.quality);
  qualityList_->setEnabled(shown.qualityEnabled);
  qualityLabel_->setEnabled(shown.qualityEnabled);
  autoNames_->setVisible(shown.autoNames);
  // Qt adds the default suffix to a name without one: make it the chosen format's.
  setDefaultSuffix(choices_.GetMode() == MovieFileChoices::Mode::kImage ? ImageSuffix(choices_.TypeIndex())
                                                                        : QString());
}

void CMovieFileDlg::Configure() {
  if (choices_.Type() != MovieType::kAvi || choices_.ProfileIndex() < 0) return;
  const uint32_t handler = choices_.Item();
  AviConfigureDialog dialog(store_, handler, this);
  dialog.SetSettings(CompressorSettings(handler));
  if (dialog.exec() == QDialog::Accepted) configured_[handler] = dialog.Settings();
}

AviCompressorSettings CMovieFileDlg::CompressorSettings(uint32_t handler) const {
  if (auto it = configured_.find(handler); it != configured_.end()) return it->second;
  return LoadAviCompressorSettings(store_, handler);
}

SavePick CMovieFileDlg::Pick() {
  const QFileInfo selected(selectedFiles().value(0));
  SavePick pick;
  pick.path = choices_.Accept(selected.absolutePath().toStdString(), selected.fileName().toStdString(),
                              std::time(nullptr));
  if (choices_.GetMode() == MovieFileChoices::Mode::kMovie) {
    pick.movie.type = choices_.Type();
    pick.movie.item = choices_.Item();
    pick.movie.quality = choices_.Quality();
    if (pick.movie.type == MovieType::kAvi) pick.movie.compressor = CompressorSettings(pick.movie.item);
  }
  return pick;
}

std::optional<SavePick> CMovieFileDlg::AskSavePath(QWidget*, MovieFileChoices::Mode mode,
                                                   const QString& initialName) {
  // The dialog keeps the parent it was made with (the frame): one instance for the run.
  Prepare(mode, initialName);
  for (;;) {
    if (exec() != QDialog::Accepted) return std::nullopt;
    SavePick pick = Pick();
    const QString path = QString::fromStdString(pick.path);
    // Automatic names replace a shot of the same second without asking.
    if (choices_.AutoNames() || !QFileInfo::exists(path) ||
        prompter_.Ask(this, FormatText(text::kFileExistsQuestion, QDir::toNativeSeparators(path)),
                      PromptIcon::kQuestion))
      return pick;
    // No: back to the dialog, with the choices made so far.
    const int type = choices_.TypeIndex();
    Prepare(mode, QFileInfo(path).fileName());
    SelectType(type);
  }
}

}  // namespace mirrodex
