#include "controls/list_shortcuts.h"

#include <QApplication>
#include <QWidget>

namespace vendora {

namespace {

// Lives as a child of its list, so the binding goes with the list.
class ListButtonBinding : public QObject {
 public:
  ListButtonBinding(QWidget* list, const ListButtons& buttons)
      : QObject(list), add(buttons.add), remove(buttons.remove), up(buttons.up), down(buttons.down) {}
  QPointer<QAbstractButton> add, remove, up, down;
};

ListButtonBinding* BindingOf(QWidget* widget) {
  for (QObject* child : widget->children())
    if (auto* binding = dynamic_cast<ListButtonBinding*>(child)) return binding;
  return nullptr;
}

}  // namespace

void BindListButtons(QWidget* list, ListButtons buttons) {
  if (auto* old = BindingOf(list)) delete old;
  new ListButtonBinding(list, buttons);
}

bool RunListCommand(ListCommand command) {
  // The focus may sit in a list's in-place editor: the list is then one of its parents.
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    ListButtonBinding* binding = BindingOf(w);
    if (!binding) continue;
    QAbstractButton* button = nullptr;
    switch (command) {
      case ListCommand::Add: button = binding->add; break;
      case ListCommand::Delete: button = binding->remove; break;
      case ListCommand::Up: button = binding->up; break;
      case ListCommand::Down: button = binding->down; break;
    }
    if (!button || !button->isEnabled()) return false;
    button->click();
    return true;
  }
  return false;
}

}  // namespace vendora
