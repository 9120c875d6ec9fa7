#pragma once
// Answers the core's questions on the command line: from --yes/--no, else from the
// user at a terminal, else with the question's preselected button.
#include <iosfwd>

#include "common/prompter.h"

namespace vendora {

enum class CliAnswerMode { Interactive, AlwaysYes, AlwaysNo };

class CliPrompter : public Prompter {
 public:
  CliPrompter(CliAnswerMode mode, std::istream& in, std::ostream& out, std::ostream& err, bool inputIsTerminal);
  Answer Ask(const MessageRequest& request) override;

 private:
  CliAnswerMode mode_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
};

}  // namespace vendora
