// One table drives every way to give a command: each command has an id, a text, its keys, an
// icon, a handler and an update handler that sets enabled, checked and text. Menus, tool bars,
// the tray menu and accelerators all show the same QAction; the update handlers run before a
// menu shows and on an idle tick, so every place agrees with the program's state.
// Threads: the user-interface thread. Ownership: owns its actions (children of the table).
#pragma once

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <map>

namespace mirrodex {

struct CommandState {
  bool enabled = true;
  bool checked = false;
  QString text;  // empty: keep the table's text
  QIcon icon;    // null: keep the table's icon
};

struct CommandDefinition {
  int id = 0;
  QString text;
  QList<QKeySequence> keys;
  QIcon icon;
  bool checkable = false;
  std::function<void()> run;
  std::function<void(CommandState&)> update;  // empty: always enabled, never checked
};

class CommandTable : public QObject {
 public:
  explicit CommandTable(QObject* parent = nullptr);

  QAction* Add(CommandDefinition definition);
  // nullptr for an unknown id.
  QAction* Action(int id) const;
  // Runs the command's update handler, then the command when it is enabled; false when it
  // is not (tests and the tray use it).
  bool Run(int id);
  // Runs every update handler.
  void UpdateAll();
  void Update(int id);

 private:
  struct Entry {
    QAction* action;
    CommandDefinition definition;
  };
  std::map<int, Entry> commands_;
};

}  // namespace mirrodex
