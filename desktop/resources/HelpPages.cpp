#include "desktop/resources/HelpPages.h"

#include <QFile>

#include "desktop/resources/ResourceInit.h"

namespace mirrodex::help {
namespace {

struct Page {
  const char* topic;
  const char* title;
};

constexpr Page kPages[] = {
    {kMainTopic, "Using Mirrodex"},
    {kOptionsTopic, "Connection profiles"},
    {kFileManagerTopic, "File manager"},
};

const Page* Find(const QString& topic) {
  for (const Page& page : kPages)
    if (topic == QLatin1String(page.topic)) return &page;
  return nullptr;
}

}  // namespace

QStringList Topics() {
  QStringList topics;
  for (const Page& page : kPages) topics << QString::fromLatin1(page.topic);
  return topics;
}

QString TopicTitle(const QString& topic) {
  const Page* page = Find(topic);
  return page ? QString::fromUtf8(page->title) : QString();
}

QUrl TopicUrl(const QString& topic) {
  if (!Find(topic)) return {};
  EnsureResources();
  return QUrl(QStringLiteral("qrc:/mirrodex/help/") + topic);
}

QString TopicHtml(const QString& topic) {
  if (!Find(topic)) return {};
  EnsureResources();
  QFile file(QStringLiteral(":/mirrodex/help/") + topic);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace mirrodex::help
