// The help pages shipped inside the program: one page for the main window, one for the
// connection profiles and one for the file manager, shown by the in-app help window.
// Threads: any (constant data and resource look-ups).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace mirrodex::help {

inline constexpr const char* kMainTopic = "main.html";           // the Help command
inline constexpr const char* kOptionsTopic = "options.html";     // the profile dialog's Help
inline constexpr const char* kFileManagerTopic = "pdaexplorer.html";  // the file manager's Help

// The topics in contents order.
QStringList Topics();
// The title shown in the contents pane; empty for an unknown topic.
QString TopicTitle(const QString& topic);
// "qrc:/mirrodex/help/<topic>", or an empty URL for an unknown topic.
QUrl TopicUrl(const QString& topic);
// The page's HTML; empty for an unknown topic.
QString TopicHtml(const QString& topic);

}  // namespace mirrodex::help
