#pragma once
// Ctrl+N, Ctrl+D, Ctrl+Up and Ctrl+Down (commands 40000 to 40003) act on the list
// that has the keyboard focus, as its add, delete, up and down buttons. Each list binds
// its own buttons; a list without such a button ignores the command.
#include <QAbstractButton>
#include <QPointer>

class QWidget;

namespace vendora {

enum class ListCommand { Add = 40000, Delete = 40001, Up = 40002, Down = 40003 };

struct ListButtons {
  QAbstractButton* add = nullptr;
  QAbstractButton* remove = nullptr;
  QAbstractButton* up = nullptr;
  QAbstractButton* down = nullptr;
};

// Binds the buttons to the list (for as long as the list lives).
void BindListButtons(QWidget* list, ListButtons buttons);

// Clicks the focused list's button for the command. False when no list has the focus,
// the list has no such button or the button is disabled.
bool RunListCommand(ListCommand command);

}  // namespace vendora
