#include "desktop/shell/CommandTable.h"

namespace mirrodex {

CommandTable::CommandTable(QObject* parent) : QObject(parent) {}

QAction* CommandTable::Add(CommandDefinition definition) {
  auto* action = new QAction(definition.icon, definition.text, this);
  action->setShortcuts(definition.keys);
  action->setCheckable(definition.checkable);
  action->setData(definition.id);
  action->setShortcutContext(Qt::WindowShortcut);
  const int id = definition.id;
  connect(action, &QAction::triggered, this, [this, id] {
    Update(id);
    auto it = commands_.find(id);
    if (it == commands_.end() || !it->second.action->isEnabled() || !it->second.definition.run) return;
    it->second.definition.run();
    UpdateAll();
  });
  commands_[id] = Entry{action, std::move(definition)};
  Update(id);
  return action;
}

QAction* CommandTable::Action(int id) const {
  auto it = commands_.find(id);
  return it == commands_.end() ? nullptr : it->second.action;
}

bool CommandTable::Run(int id) {
  Update(id);
  QAction* action = Action(id);
  if (!action || !action->isEnabled()) return false;
  action->trigger();
  return true;
}

void CommandTable::Update(int id) {
  auto it = commands_.find(id);
  if (it == commands_.end()) return;
  Entry& entry = it->second;
  CommandState state;
  state.checked = entry.action->isChecked();
  if (entry.definition.update) entry.definition.update(state);
  entry.action->setEnabled(state.enabled);
  if (entry.action->isCheckable()) entry.action->setChecked(state.checked);
  const QString& text = state.text.isEmpty() ? entry.definition.text : state.text;
  if (entry.action->text() != text) entry.action->setText(text);
  const QIcon& icon = state.icon.isNull() ? entry.definition.icon : state.icon;
  if (entry.action->icon().cacheKey() != icon.cacheKey()) entry.action->setIcon(icon);
}

void CommandTable::UpdateAll() {
  for (auto& [id, entry] : commands_) Update(id);
}

}  // namespace mirrodex
