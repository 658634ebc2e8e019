// The file manager's own texts that are not messages of the string table: its caption, its
// menus and buttons, and the column headers of the trees.
#pragma once

namespace mirrodex::explorer_text {

inline constexpr const char* kCaption = "RIV Izuzuvaz";
inline constexpr const char* kHelpTopic = "pdaexplorer.html";

inline constexpr const char* kFileMenu = "&File";
inline constexpr const char* kViewMenu = "&View";
inline constexpr const char* kHelpMenu = "&Help";
inline constexpr const char* kNewFolder = "New Folder";
inline constexpr const char* kDelete = "Delete ...";
inline constexpr const char* kRename = "Rename ...";
inline constexpr const char* kCopyFromDevice = "Copy From Device ...";
inline constexpr const char* kCopyToDevice = "Copy To Device ...";
inline constexpr const char* kRefresh = "Refresh";
inline constexpr const char* kHelp = "Help";
inline constexpr const char* kCopy = "Copy";
inline constexpr const char* kPaste = "Paste";
inline constexpr const char* kToolBar = "File Manager";

// Tool tips of the pane and splitter buttons.
inline constexpr const char* kDeleteTip = "Delete the selected file or empty folder";
inline constexpr const char* kRenameTip = "Rename the selected file or folder";
inline constexpr const char* kNewFolderTip = "Create a folder in the selected folder";
inline constexpr const char* kCopyToDeviceTip =
    "Copy the selected PC files to the selected device folder";
inline constexpr const char* kCopyFromDeviceTip =
    "Copy the selected device files to the selected PC folder";
inline constexpr const char* kRefreshTip = "List both sides again";
inline constexpr const char* kFilterHint = "Filter files";

inline constexpr const char* kNameColumn = "Name";
inline constexpr const char* kSizeColumn = "Size";
inline constexpr const char* kDateColumn = "Modified";
inline constexpr const char* kRatePane = "%1 KB/s";
inline constexpr const char* kNoDevice = "No device";

}  // namespace mirrodex::explorer_text
