#include "desktop/settings/StoredValue.h"

#include <limits>

#include "desktop/settings/SettingIds.h"

namespace mirrodex {

std::optional<QString> StoredText(const QVariant& value, int maxBytes) {
  if (!value.isValid() || value.typeId() != QMetaType::QString) return std::nullopt;
  QString text = value.toString();
  if ((static_cast<qsizetype>(text.size()) + 1) * 2 > maxBytes) return std::nullopt;
  return text;
}

std::optional<int> StoredInt(const QVariant& value) {
  const std::optional<QString> text = StoredText(value, setting::kMaxIntegerBytes);
  if (!text) return std::nullopt;
  return ParseLeadingInt(*text);
}

int ParseLeadingInt(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate as a negative number so that INT_MIN fits.
  constexpr int kMin = std::numeric_limits<int>::min();
  int acc = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    const int digit = text[i].unicode() - u'0';
    if (acc < (kMin + digit) / 10) {
      saturated = true;
      break;
    }
    acc = acc * 10 - digit;
  }
  if (saturated) return negative ? kMin : std::numeric_limits<int>::max();
  if (negative) return acc;
  return acc == kMin ? std::numeric_limits<int>::max() : -acc;
}

}  // namespace mirrodex
