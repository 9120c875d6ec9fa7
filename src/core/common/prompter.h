#pragma once
// The seam through which the core shows messages and asks questions. The GUI answers
// with message boxes, the CLI from its flags or a terminal, tests from a script.
#include <string>

namespace vendora {

enum class MessageIcon { None, Information, Question, Warning, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageRequest {
  std::string text;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  Answer defaultAnswer = Answer::Ok;  // the preselected button
  std::string title;                  // empty: the program's own title
  // Technical words for whoever looks into the cause (an engine's English message):
  // shown apart from the text, on request; never part of it.
  std::string details;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows the message and returns the button chosen. Must return one of the buttons offered.
  virtual Answer Ask(const MessageRequest& request) = 0;

  void Show(std::string text, MessageIcon icon = MessageIcon::Information, std::string title = {});
  Answer AskYesNo(std::string text, Answer defaultAnswer, MessageIcon icon = MessageIcon::Question);
  Answer AskYesNoCancel(std::string text, Answer defaultAnswer = Answer::Yes,
                        MessageIcon icon = MessageIcon::Question);
};

}  // namespace vendora
