// A settings store on a private file in a fresh temporary folder, so that tests never
// touch the user's own configuration.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "desktop/settings/CSettingsStore.h"

namespace mirrodex::test {

class TempSettingsFixture : public ::testing::Test {
 protected:
  // A nested path: the first write must create the folders too.
  QString Path() const { return dir_.filePath("Ostvale/Mirrodex.conf"); }

  QByteArray FileText() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // Replaces the file with hand-written INI text, as a user editing it would.
  void WriteRawFile(const QByteArray& text) {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("Ostvale")));
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(text), text.size());
  }

  QTemporaryDir dir_;
  CSettingsStore store_{Path()};
};

}  // namespace mirrodex::test
