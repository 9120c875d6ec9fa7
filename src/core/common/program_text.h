#pragma once
// The program's numbered German texts (messages, log lines, store texts), the names of
// their numbers (text::k...), and the named texts of messages that carry no number.
#include <string>
#include <string_view>

#include "common/text_format.h"
#include "common/named_texts.h"
#include "common/text_ids.h"

namespace vendora {

// The text of that number, or an empty view for a number the program does not know.
std::string_view ProgramText(int number);

// ProgramText(number) with its "%s"/"%d" placeholders filled in.
template <class... Args>
std::string FormatProgramText(int number, const Args&... args) {
  return Format(ProgramText(number), args...);
}

// Number of entries in the table (for completeness checks).
size_t ProgramTextCount();

}  // namespace vendora
