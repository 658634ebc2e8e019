#include "desktop/files/FileTexts.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <cstdio>

namespace mirrodex {
namespace {

constexpr uint64_t kKilo = 1024;
constexpr uint64_t kMega = 1048576;

std::string WithTenths(uint64_t bytes, uint64_t unit, const char* name) {
  char text[64];
  std::snprintf(text, sizeof text, "%llu.%llu %s", static_cast<unsigned long long>(bytes / unit),
                static_cast<unsigned long long>(bytes % unit * 10 / unit), name);
  return text;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
  if (bytes > kMega) return WithTenths(bytes, kMega, "MB");
  if (bytes > kKilo) return WithTenths(bytes, kKilo, "KB");
  return std::to_string(bytes) + " Bytes";
}

std::string DateText(const FileTime& time) {
  const QDate date(static_cast<int>(time.year), static_cast<int>(time.month), static_cast<int>(time.day));
  const QTime clock(static_cast<int>(time.hour), static_cast<int>(time.minute),
                    static_cast<int>(time.second < 60 ? time.second : 59));
  if (time.year == 0 || !date.isValid()) return {};
  const QDateTime utc(date, clock.isValid() ? clock : QTime(0, 0), QTimeZone::utc());
  return QLocale().toString(utc.toLocalTime().date(), QLocale::ShortFormat).toStdString();
}

std::string ProgressText(const std::string& displayText, uint64_t bytes) {
  char kilobytes[48];
  std::snprintf(kilobytes, sizeof kilobytes, "%.2f KB", static_cast<double>(bytes) / 1024.0);
  return displayText + " - " + kilobytes;
}

}  // namespace mirrodex
