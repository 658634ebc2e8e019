// The string table, the pictures and the help pages: every id the code names has a text,
// formats fill in their fields safely, every picture of the set draws, and the help pages
// link to each other.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>
#include <set>

#include "desktop/resources/HelpPages.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {
namespace {

QString ReadSource(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Ids by name, as StringIds.h declares them.
std::map<QString, int> DeclaredIds() {
  std::map<QString, int> ids;
  const QString header = ReadSource(QStringLiteral(MIRRODEX_SOURCE_DIR "/desktop/resources/StringIds.h"));
  static const QRegularExpression declaration(QStringLiteral("constexpr int (k\\w+) = (\\d+);"));
  for (auto it = declaration.globalMatch(header); it.hasNext();) {
    const auto match = it.next();
    ids[match.captured(1)] = match.captured(2).toInt();
  }
  return ids;
}

// The fraction of pixels that are not transparent.
double CoveredShare(const QImage& image) {
  int covered = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) covered += qAlpha(image.pixel(x, y)) > 0;
  return double(covered) / (image.width() * image.height());
}

}  // namespace

class ResourcesTest : public QObject {
  Q_OBJECT

 private slots:
  void everyDeclaredIdHasAText() {
    const auto ids = DeclaredIds();
    QVERIFY(ids.size() > 50);
    for (const auto& [name, id] : ids) QVERIFY2(!LoadText(id).isEmpty(), qPrintable(name));
    QCOMPARE(TextIds().size(), ids.size());  // no text without a name
  }

  // The code may name an id only through StringIds.h or as a number the table has; a
  // number typed into a LoadText or FormatText call that the table lacks shows an empty box.
  void everyIdTheCodeUsesHasAText() {
    const auto ids = DeclaredIds();
    static const QRegularExpression named(QStringLiteral("\\btext::(k\\w+)"));
    static const QRegularExpression numbered(QStringLiteral("\\b(?:LoadText|FormatText|HasText)\\((\\d+)"));
    int uses = 0;
    for (const char* folder : {"/desktop", "/cli"}) {
      QDirIterator files(QStringLiteral(MIRRODEX_SOURCE_DIR) + folder, {"*.cpp", "*.h"}, QDir::Files,
                         QDirIterator::Subdirectories);
      while (files.hasNext()) {
        const QString path = files.next();
        const QString source = ReadSource(path);
        for (auto it = named.globalMatch(source); it.hasNext(); ++uses) {
          const QString name = it.next().captured(1);
          QVERIFY2(ids.count(name), qPrintable(path + ": " + name));
        }
        for (auto it = numbered.globalMatch(source); it.hasNext(); ++uses) {
          const int id = it.next().captured(1).toInt();
          QVERIFY2(HasText(id), qPrintable(path + ": " + QString::number(id)));
        }
      }
    }
    QVERIFY(uses > 0);
  }

  void formatsFillTheirFieldsAndNothingElse() {
    QCOMPARE(FormatText(text::kBatteryMeter, 87), QStringLiteral("Main Battery 87%"));
    QCOMPARE(FormatText(text::kConfirmDelete, QStringLiteral("My %s %d 100%")),
             QStringLiteral("Are you sure you want to delete My %s %d 100%?"));
    QCOMPARE(FormatText(text::kProfileExistsOverwrite, QStringList{}),
             QStringLiteral("The profile '' exists, would you like to over-write it?"));
    QCOMPARE(FormatText(text::kLiveFigures, QStringList{"25", "310", "12", "extra"}),
             QStringLiteral("25 img/s \u00b7 310 kB/s \u00b7 12 ms"));
    QVERIFY(LoadText(4242).isEmpty());
    QVERIFY(FormatText(4242, QStringLiteral("x")).isEmpty());
  }

  void everyPictureDraws() {
    const QString out = qEnvironmentVariable("MIRRODEX_PICTURE_DIR");
    QDir().mkpath(out);
    const int count = int(Icon::kTray) + 1;
    QImage sheet(count * 56 + 8, 56 * 2 + 8, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < count; ++i) {
      const auto icon = Icon(i);
      const QImage big = RenderIcon(icon, QSize(48, 48));
      QVERIFY2(CoveredShare(big) > 0.05, qPrintable(IconPath(icon)));
      QVERIFY(!LoadIcon(icon).pixmap(QSize(24, 24)).isNull());
      painter.drawImage(8 + i * 56, 8, big);
      painter.drawImage(8 + i * 56 + 12, 68, RenderIcon(icon, QSize(24, 24)));
      painter.drawImage(8 + i * 56 + 12, 100, RenderIcon(icon, QSize(16, 16)));
    }
    painter.end();
    sheet.save(out + "/icons.png");

    const QImage idle = RenderIdlePicture(QSize(200, 192));
    QVERIFY(CoveredShare(idle) > 0.2);
    idle.save(out + "/idle.png");
    for (auto which : {DragCursor::kDragReady, DragCursor::kDragging}) {
      const QCursor cursor = LoadDragCursor(which);
      QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
      QCOMPARE(cursor.hotSpot(), QPoint(16, 16));
    }
  }

  void helpPagesExistAndLinkToEachOther() {
    const QStringList topics = help::Topics();
    QCOMPARE(topics, (QStringList{"main.html", "options.html", "pdaexplorer.html"}));
    for (const QString& topic : topics) {
      const QString html = help::TopicHtml(topic);
      QVERIFY2(html.size() > 1500, qPrintable(topic));
      QVERIFY(!help::TopicTitle(topic).isEmpty());
      QTextDocument document;
      document.setHtml(html);
      QVERIFY(document.toPlainText().contains(help::TopicTitle(topic)));
      static const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
      for (auto it = link.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        QVERIFY2(target == "help.css" || topics.contains(target), qPrintable(topic + " -> " + target));
      }
    }
    QVERIFY(help::TopicUrl("nothing.html").isEmpty());
    QVERIFY(help::TopicHtml("../main.html").isEmpty());
  }
};

}  // namespace mirrodex

QTEST_MAIN(mirrodex::ResourcesTest)
#include "ResourcesTest.moc"
