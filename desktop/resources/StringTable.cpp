#include "desktop/resources/StringTable.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace mirrodex {
namespace {

struct Entry {
  int id;
  const char* text;  // UTF-8
};

// The support address inside the video failure text; product configuration.
#define MIRRODEX_SUPPORT_ADDRESS "support@mirrodex.org"

// Sorted by id (checked once below).
constexpr Entry kTable[] = {
    {text::kAppTitle, "Mirrodex"},
    {text::kHideWindow, "Hide Window"},
    {text::kShowWindow, "Show Window"},
    {text::kPauseVideo, "Pause Video"},
    {text::kResumeVideo, "Resume Video"},
    {text::kStyleChangeNotice, "Change will take effect after you re-start the application"},
    {text::kResourcesBarTitle, "PDA Resources"},
    {text::kMainToolBarTitle, "Main Tool Bar"},
    {text::kCopyFailed,
     "Failed to copy file(s). You could have run out of disk space or %s already exists on "
     "destination and is locked."},
    {text::kVideoCreationFailed,
     "Video creation failed.\n\n- Components for this video format may not have been installed. "
     "Please install Windows Media Player for WMV or Quicktime for MOV or contact " MIRRODEX_SUPPORT_ADDRESS
     " for more information. You can also select a different video format such as AVI.\n\n- Check "
     "that the file can be created i.e. you have enough diskspace, you can write to the drive and "
     "the name is valid.\n\n- Some codecs do not allow you to compress video and therefore cannot "
     "be used."},
    {text::kCommunicationFailed,
     "Communication with the device has failed!\nPlease make sure you have synchronised or that the "
     "device is within reach and that the device side software is installed correctly."},
    {text::kPleaseWait, "Please wait ..."},
    {text::kActiveSyncStartError,
     "Error on trying to start ActiveSync. Is ActiveSync connected and Synchronised?"},
    {text::kInstallError,
     "An error occoured on installation! The device synchronization manager did not respond. "
     "Please contact your administrator or make sure that the device manager is installed and "
     "running properly."},
    {text::kSelectFolder, "Please select a folder"},
    {text::kSelectFileOrFolder, "Please select a file or folder"},
    {text::kSelectFileAndFolder,
     "Please select a file and a folder destination first. Only copying files to folders "
     "currently supported."},
    {text::kFileExistsOverwrite, "The file %s exists.\nDo you wish to overwrite it?"},
    {text::kErrorCreatingFile,
     "Error creating file %s\nThe file maybe in use and is being locked by another program. Please "
     "verify and close other programs that are trying to use the file.\nOtherwise, please check the "
     "destination drive is not damaged or that you do have permission to write to the disk."},
    {text::kFileExistsQuestion, "File %s exists. Do you want to overwrite?"},
    {text::kCopyError,
     "There was an error while copying the file. Please check that source and destination are "
     "correct."},
    {text::kFolderNotEmpty, "This folder cannot be deleted because it is not empty"},
    {text::kConfirmDelete, "Are you sure you want to delete %s?"},
    {text::kNewFolder, "New Folder"},
    {text::kRetrieveError, "Error retreiving file information."},
    {text::kClipboardError, "Clipboard Error"},
    {text::kNothingToCopy, "Nothing to copy! Please copy some text first."},
    {text::kBridgeUnavailable,
     "The device could not be reached through the sync bridge.\nPlease make sure that the bridge "
     "library (librapi.so) and mirrodex-bridge are installed next to the program or on the library "
     "path, and that the device is connected.\nAlternatively, connect over TCP/IP with a profile "
     "that names the device's address."},
    {text::kCaptureVideoItem, "Capture Video ...\tCtrl+V"},
    {text::kStopVideoCaptureItem, "Stop Video Capture...\tCtrl+V"},
    {text::kInformation, "Information"},
    {text::kInstallHint,
     "Install and run Mirrodex on your device.\n\nFor Symbian based phones i.e. Sony Ericsson P800, "
     "P810, P900, P910 etc. run the included SIS file and connect from the phone.\n\nFor Windows "
     "Mobile, Pocket PC and Smartphone connect from here or from the device."},
    {text::kStageInitializingActiveSync, "Initializing active sync ..."},
    {text::kStageReadingDeviceInfo, "Reading device information ..."},
    {text::kStageEstablishingConnection, "Establishing device connection ..."},
    {text::kStageConnected, "Device connected successfully!"},
    {text::kProfileNameEmpty, "Profile name cannot be left empty!"},
    {text::kProfileExistsOverwrite, "The profile '%s' exists, would you like to over-write it?"},
    {text::kDefaultProfileName, "<Default>"},
    {text::kStageInitializingConnection, "Initializing connection ..."},
    {text::kHideFrameHint,
     "You can bring up the menu and switch back to full mode by using the right click mouse button "
     "anywhere on the screen."},
    {text::kMemoryMeter, "Main Memory %d%%"},
    {text::kBatteryMeter, "Main Battery %d%%"},
    {text::kKillProcessWarning,
     "Warning: Terminating a process can cause undesired results including loss of data and system "
     "instability. The process will not be given the chance to save its state or data before it is "
     "terminated. Are you sure you want to terminate the process?"},
    {text::kMakeSelection, "Please make a selection first!"},
    {text::kEndDrag, "End Drag"},
    {text::kLocalHeader, "   Local:"},
    {text::kDeviceHeader, "   Device:"},
    {text::kFileSizePane, "File Size"},
    {text::kFileDatePane, "File Date"},
    {text::kTransferRatePane, "Transfer Rate"},
    {text::kNoIpAddress, "Please specify an IP address to use"},
    {text::kFastConnectionWarning,
     "Using the 'Fast' option takes up much more resources. Some smaller devices especially phones, "
     "may not be able to afford it. If you see any deterioration in performance please put this "
     "setting back to 'Slow'."},
    {text::kMaxRefreshWarning,
     "Using the 'Max' option takes up much more resources. Some smaller devices especially phones, "
     "may not be able to afford it. If you see any deterioration in performance please put this "
     "setting back to at most 'Fast'."},
    {text::kAlternateMethodQuestion,
     "The connection could have failed because the device type was not recognised or not set "
     "correctly for this profile. Would you like to try and connect using an alternate method?"},
    {text::kSaveSettingQuestion, "Connection succeeded. Would you like to save this setting?"},
    {text::kWaitingForDevice,
     "The connection to the device was lost.\n\nWaiting for the device to connect again ..."},
    {text::kLiveFigures, "%d img/s \u00b7 %d kB/s \u00b7 %d ms"},
    {text::kStartFailedToConnect, "Failed to create connection"},
    {text::kSocketStartError, "Error starting TCP connection"},
    {text::kNotConnected, "No device is connected. Press Start to connect to your device first."},
    {text::kProfileSaveFailed,
     "The profile could not be saved. Please check that the settings file %s can be written."},
    {text::kProfileNameInvalid, "A profile name cannot contain the characters '/' or '\\'."},
    {text::kInvalidAddress,
     "Please enter the device's address as four numbers from 0 to 255 separated by dots (for "
     "example 192.168.1.20) or as a host name (for example my-device.local)."},
    {text::kProfileRemoveFailed, "The profile '%s' could not be removed."},
};

#undef MIRRODEX_SUPPORT_ADDRESS

constexpr bool SortedById() {
  for (size_t i = 1; i < std::size(kTable); ++i)
    if (kTable[i - 1].id >= kTable[i].id) return false;
  return true;
}
static_assert(SortedById(), "string table entries must be sorted by id without repeats");

const Entry* Find(int id) {
  const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                                   [](const Entry& e, int value) { return e.id < value; });
  return it != std::end(kTable) && it->id == id ? it : nullptr;
}

}  // namespace

QString LoadText(int id) {
  const Entry* entry = Find(id);
  return entry ? QString::fromUtf8(entry->text) : QString();
}

bool HasText(int id) { return Find(id) != nullptr; }

std::vector<int> TextIds() {
  std::vector<int> ids;
  ids.reserve(std::size(kTable));
  for (const Entry& e : kTable) ids.push_back(e.id);
  return ids;
}

QString FormatText(int id, const QStringList& args) {
  const QString format = LoadText(id);
  QString out;
  out.reserve(format.size() + 32);
  qsizetype next = 0;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    const QChar field = format[i + 1];
    if (field == u'%') {
      out += u'%';
      ++i;
    } else if (field == u's' || field == u'd' || field == u'u') {
      if (next < args.size()) out += args[next++];
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

QString FormatText(int id, const QString& arg) { return FormatText(id, QStringList{arg}); }

QString FormatText(int id, int number) { return FormatText(id, QStringList{QString::number(number)}); }

}  // namespace mirrodex
