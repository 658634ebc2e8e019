// How stored values are read back: the length limits and the integer parse rule.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace mirrodex {

// The text of a stored value, or nothing when it is missing, not a single text (a
// hand-edited list, for one) or longer than `maxBytes` counted as UTF-16 with a terminator.
std::optional<QString> StoredText(const QVariant& value, int maxBytes);

// An integer value: missing or too long gives nothing; otherwise the leading decimal number
// of the text (after white space, with an optional sign), 0 when there is none, and
// saturated at the int range.
std::optional<int> StoredInt(const QVariant& value);

// The leading decimal number of `text` by the rule above.
int ParseLeadingInt(QStringView text);

}  // namespace mirrodex
