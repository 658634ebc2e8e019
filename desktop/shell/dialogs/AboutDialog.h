// The About box: the program's icon, name, version and what it does.
// Threads: the user-interface thread.
#pragma once

#include <QDialog>

namespace mirrodex {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace mirrodex
