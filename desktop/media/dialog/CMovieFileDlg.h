// The Save dialog for movies and screenshots: the non-native file dialog with extra controls
// under the file name and type rows. Movie mode: the profile list (WMV profiles, AVI compressors,
// MOV codec types, MP4), Configure for the chosen AVI compressor, and the quality list for MOV
// and MP4. Image mode (screenshots): the quality list, taking input for JPEG only, and the
// "Automatically Generate Filenames" box. The rules and remembered choices live in
// MovieFileChoices; this class shows them and reports the user's picks to it.
// The program keeps one instance for its whole run, so the choices survive between openings.
// Threads: the user-interface thread. The settings store and the prompter are not owned and
// outlive the dialog.
#pragma once

#include <QFileDialog>
#include <QStringList>
#include <map>

#include "desktop/media/MovieFileChoices.h"
#include "desktop/media/dialog/SaveFileAsker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace mirrodex {

class CSettingsStore;
class MessagePrompter;

class CMovieFileDlg : public QFileDialog, public SaveFileAsker {
 public:
  CMovieFileDlg(CSettingsStore& store, MessagePrompter& prompter, QWidget* parent = nullptr);

  // Runs the dialog modally (asking before an existing file is replaced).
  std::optional<SavePick> AskSavePath(QWidget* parent, MovieFileChoices::Mode mode,
                                      const QString& initialName) override;

  // The steps of AskSavePath, for tests that drive the dialog without a modal loop:
  // Prepare sets the dialog up for an opening; Pick turns the accepted selection into the
  // file to write and stores the choices.
  void Prepare(MovieFileChoices::Mode mode, const QString& initialName);
  SavePick Pick();
  // Selects filter entry `typeIndex` as a user's pick would.
  void SelectType(int typeIndex);

  const MovieFileChoices& Choices() const { return choices_; }
  QComboBox* ProfileList() const { return profileList_; }
  QComboBox* QualityList() const { return qualityList_; }
  QPushButton* ConfigureButton() const { return configure_; }
  QCheckBox* AutoNamesBox() const { return autoNames_; }
  QLabel* ProfileLabel() const { return profileLabel_; }
  QLabel* QualityLabel() const { return qualityLabel_; }

  // Qt's name filters for "Description (*.a;*.b)|*.a; *.b|...||": "Description (*.a *.b)".
  static QStringList NameFilters(const char* filter);

 private:
  void OnFilterSelected(const QString& filter);
  void ShowControls();
  void FillProfiles();
  void Configure();
  AviCompressorSettings CompressorSettings(uint32_t handler) const;

  CSettingsStore& store_;
  MessagePrompter& prompter_;
  MovieFileChoices choices_;
  QStringList filters_;
  bool filling_ = false;  // the lists are being refilled: their signals are not the user's
  // Settings the Configure dialog set this run, in case the store could not keep them.
  std::map<uint32_t, AviCompressorSettings> configured_;
  QLabel* profileLabel_;
  QComboBox* profileList_;
  QPushButton* configure_;
  QLabel* qualityLabel_;
  QComboBox* qualityList_;
  QCheckBox* autoNames_;
};

}  // namespace mirrodex
