// The program's string table: every text a message box, menu item, bar or picture shows by
// numeric id (named in StringIds.h).
// Threads: any; the table is constant data.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "desktop/resources/StringIds.h"

namespace mirrodex {

// The text of `id`, or an empty text for an id the table does not have.
QString LoadText(int id);
bool HasText(int id);
// Every id of the table, ascending.
std::vector<int> TextIds();

// The text of `id` with its printf-style fields ("%s", "%d", "%u") replaced by `args` in
// order and "%%" by "%". Fields without an argument are left out; extra arguments are
// ignored. Arguments are inserted as they are, never read as formats themselves.
QString FormatText(int id, const QStringList& args);
QString FormatText(int id, const QString& arg);
QString FormatText(int id, int number);

}  // namespace mirrodex
