#pragma once
// The Prompter as a message box: the core's text, buttons, icon and preselected
// button, titled with the program's name unless the core gives a title.
#include <QPointer>
#include <QWidget>

#include "common/prompter.h"

namespace vendora {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  Answer Ask(const MessageRequest& request) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace vendora
