#include "desktop/shell/ScreenshotCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include "desktop/media/Screenshot.h"
#include "desktop/media/dialog/SaveFileAsker.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {
namespace {

QString WithSeparator(QString folder) {
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

}  // namespace

ScreenshotCommands::ScreenshotCommands(CDeviceScreenWnd& screen, CSettingsStore& store, SaveFileAsker& asker,
                                       MessagePrompter& prompter, QWidget* owner)
    : QObject(owner), screen_(screen), store_(store), asker_(&asker), prompter_(prompter), owner_(owner) {}

QString ScreenshotCommands::AutoName(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32] = {};
  std::strftime(stamp, sizeof stamp, "%m%d%H%M%S", &local);
  return QString::fromLatin1(stamp);
}

QString ScreenshotCommands::QuickFolder() const {
  const QString stored = store_.GetText(setting::kScreenshotFolder);
  return WithSeparator(stored.isEmpty() ? QCoreApplication::applicationDirPath() : stored);
}

void ScreenshotCommands::ScreenShot() {
  const std::optional<SavePick> pick =
      asker_->AskSavePath(owner_, MovieFileChoices::Mode::kImage, AutoName(std::time(nullptr)));
  if (pick) (void)SavePicture(QString::fromStdString(pick->path));
}

void ScreenshotCommands::QuickScreenShot() {
  if (!store_.GetFlag(setting::kAutoNameScreenshots)) {
    ScreenShot();
    return;
  }
  // Two shots within one second share a name: the later one replaces the earlier.
  (void)SavePicture(QuickFolder() + AutoName(std::time(nullptr)) + store_.GetText(setting::kScreenshotExtension));
}

bool ScreenshotCommands::SavePicture(const QString& path) {
  const QImage picture = screen_.Surface().convertToFormat(QImage::Format_RGB888);
  int quality = store_.GetInt(setting::kJpegQuality);
  if (quality < 5 || quality > 100) quality = setting::kJpegQuality.defaultValue;
  const MediaResult saved = SaveScreenshot(
      PictureView::Rgb888(picture.constBits(), static_cast<uint32_t>(picture.width()),
                          static_cast<uint32_t>(picture.height()), static_cast<size_t>(picture.bytesPerLine())),
      static_cast<uint32_t>(screen_.Zoom()), path.toStdString(), quality);
  if (saved) return true;
  prompter_.Tell(owner_ && owner_->isVisible() ? owner_ : nullptr,
                 FormatText(text::kCopyFailed, QDir::toNativeSeparators(path)) + QStringLiteral("\n\n") +
                     QString::fromStdString(saved.message),
                 PromptIcon::kWarning);
  return false;
}

}  // namespace mirrodex
