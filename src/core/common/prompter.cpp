#include "common/prompter.h"

#include <utility>

namespace vendora {

void Prompter::Show(std::string text, MessageIcon icon, std::string title) {
  Ask({std::move(text), MessageButtons::Ok, icon, Answer::Ok, std::move(title), {}});
}

Answer Prompter::AskYesNo(std::string text, Answer defaultAnswer, MessageIcon icon) {
  return Ask({std::move(text), MessageButtons::YesNo, icon, defaultAnswer, {}, {}});
}

Answer Prompter::AskYesNoCancel(std::string text, Answer defaultAnswer, MessageIcon icon) {
  return Ask({std::move(text), MessageButtons::YesNoCancel, icon, defaultAnswer, {}, {}});
}

}  // namespace vendora
