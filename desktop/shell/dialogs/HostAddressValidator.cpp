#include "desktop/shell/dialogs/HostAddressValidator.h"

#include <QStringList>

namespace mirrodex {
namespace {

bool IsDigits(const QString& label) {
  if (label.isEmpty()) return false;
  for (QChar c : label)
    if (!c.isDigit() || c.unicode() > 127) return false;
  return true;
}

bool IsHostLabel(const QString& label) {
  if (label.isEmpty() || label.size() > 63) return false;
  if (label.front() == u'-' || label.back() == u'-') return false;
  for (QChar c : label) {
    const char16_t u = c.unicode();
    const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-';
    if (!ok) return false;
  }
  return true;
}

bool IsAllowedCharacter(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-' ||
         u == u'.';
}

bool IsIpv4(const QStringList& labels) {
  if (labels.size() != 4) return false;
  for (const QString& label : labels) {
    if (!IsDigits(label) || label.size() > 3 || label.toInt() > 255) return false;
  }
  return true;
}

}  // namespace

bool HostAddressValidator::IsHostAddress(const QString& text) {
  if (text.isEmpty() || text.size() > kMaxLength) return false;
  QString name = text;
  if (name.endsWith(u'.')) name.chop(1);  // a fully qualified name may end in a dot
  const QStringList labels = name.split(u'.');
  bool allDigits = true;
  for (const QString& label : labels) allDigits = allDigits && IsDigits(label);
  // Numbers only: must be a real IPv4 address, so "300.1.1.1" or "10.1" never pass as names.
  if (allDigits) return !text.endsWith(u'.') && IsIpv4(labels);
  for (const QString& label : labels)
    if (!IsHostLabel(label)) return false;
  return true;
}

QValidator::State HostAddressValidator::validate(QString& input, int&) const {
  if (input.isEmpty()) return Acceptable;
  if (input.size() > kMaxLength) return Invalid;
  for (QChar c : input)
    if (!IsAllowedCharacter(c)) return Invalid;
  return IsHostAddress(input) ? Acceptable : Intermediate;
}

void HostAddressValidator::fixup(QString& input) const { input = input.trimmed(); }

}  // namespace mirrodex
