#include "cli_prompter.h"

#include <istream>
#include <ostream>
#include <string>

#include "common/text_util.h"

namespace vendora {
namespace {

const char* AnswerName(Answer a) {
  switch (a) {
    case Answer::Ok: return "OK";
    case Answer::Cancel: return "Abbrechen";
    case Answer::Yes: return "Ja";
    case Answer::No: return "Nein";
  }
  return "";
}

bool Offers(MessageButtons buttons, Answer a) {
  switch (buttons) {
    case MessageButtons::Ok: return a == Answer::Ok;
    case MessageButtons::OkCancel: return a == Answer::Ok || a == Answer::Cancel;
    case MessageButtons::YesNo: return a == Answer::Yes || a == Answer::No;
    case MessageButtons::YesNoCancel: return a != Answer::Ok;
  }
  return false;
}

Answer Affirmative(MessageButtons b) { return Offers(b, Answer::Yes) ? Answer::Yes : Answer::Ok; }
Answer Negative(MessageButtons b) {
  if (Offers(b, Answer::No)) return Answer::No;
  return Offers(b, Answer::Cancel) ? Answer::Cancel : Answer::Ok;
}

}  // namespace

CliPrompter::CliPrompter(CliAnswerMode mode, std::istream& in, std::ostream& out, std::ostream& err,
                         bool inputIsTerminal)
    : mode_(mode), in_(in), out_(out), err_(err), terminal_(inputIsTerminal) {}

Answer CliPrompter::Ask(const MessageRequest& r) {
  if (r.buttons == MessageButtons::Ok) {
    bool problem = r.icon == MessageIcon::Stop || r.icon == MessageIcon::Warning;
    std::ostream& stream = problem ? err_ : out_;
    stream << r.text << (r.text.empty() || r.text.back() != '\n' ? "\n" : "");
    if (!r.details.empty()) stream << "  Einzelheiten: " << r.details << "\n";
    return Answer::Ok;
  }
  err_ << r.text << (r.text.empty() || r.text.back() != '\n' ? "\n" : "");
  Answer chosen = r.defaultAnswer;
  if (mode_ == CliAnswerMode::AlwaysYes) {
    chosen = Affirmative(r.buttons);
  } else if (mode_ == CliAnswerMode::AlwaysNo) {
    chosen = Negative(r.buttons);
  } else if (terminal_) {
    const bool yesNo = Offers(r.buttons, Answer::Yes);
    const bool cancel = r.buttons == MessageButtons::YesNoCancel || r.buttons == MessageButtons::OkCancel;
    for (;;) {
      err_ << (yesNo ? "[j]a / [n]ein" : "[o]k") << (cancel ? " / [a]bbrechen" : "") << " (Vorgabe: "
           << AnswerName(r.defaultAnswer) << ")? " << std::flush;
      std::string line;
      if (!std::getline(in_, line)) break;
      std::string_view t = Trim(line);
      if (t.empty()) break;
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(t.front())));
      if (yesNo && (c == 'j' || c == 'y')) { chosen = Answer::Yes; break; }
      if (yesNo && c == 'n') { chosen = Answer::No; break; }
      if (!yesNo && c == 'o') { chosen = Answer::Ok; break; }
      if (cancel && c == 'a') { chosen = Answer::Cancel; break; }
    }
    return Offers(r.buttons, chosen) ? chosen : Negative(r.buttons);
  }
  if (!Offers(r.buttons, chosen)) chosen = Negative(r.buttons);
  err_ << "-> " << AnswerName(chosen) << "\n";
  return chosen;
}

}  // namespace vendora
