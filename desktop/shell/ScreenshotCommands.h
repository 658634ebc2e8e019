// The screenshot commands of the device screen window. Screen Shot always asks with the movie
// file dialog in image mode; the quick screenshot saves straight to the stored folder under an
// automatic name ("%m%d%H%M%S" and the last format's extension) once the user has chosen
// automatic names, and otherwise asks like Screen Shot. The picture is the window's, at the
// device's size times the zoom.
// Threads: the user-interface thread. Ownership: nothing owned; the screen window, the store,
// the asker and the prompter outlive this object.
#pragma once

#include <QObject>
#include <QString>
#include <ctime>

namespace mirrodex {

class CDeviceScreenWnd;
class CSettingsStore;
class MessagePrompter;
class SaveFileAsker;

class ScreenshotCommands : public QObject {
 public:
  ScreenshotCommands(CDeviceScreenWnd& screen, CSettingsStore& store, SaveFileAsker& asker,
                     MessagePrompter& prompter, QWidget* owner);

  void ScreenShot();
  void QuickScreenShot();
  // Saves the window's picture at `path`: BMP for a ".bmp" extension, JPEG otherwise. A failure
  // shows one message. Returns whether the file was written.
  bool SavePicture(const QString& path);

  // "%m%d%H%M%S" of the local time `now`.
  static QString AutoName(std::time_t now);
  // The folder quick screenshots go to: setting 1012, else the program's folder; ends with '/'.
  QString QuickFolder() const;

  void SetAsker(SaveFileAsker& asker) { asker_ = &asker; }

 private:
  CDeviceScreenWnd& screen_;
  CSettingsStore& store_;
  SaveFileAsker* asker_;
  MessagePrompter& prompter_;
  QWidget* owner_;
};

}  // namespace mirrodex
