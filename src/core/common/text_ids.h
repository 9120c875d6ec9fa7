#pragma once
// Names of the numbered program texts the code refers to, made from the table itself
// (common/program_texts.inc), so that the number stands only there:
//   text::kFileNotCreated == 22016, ProgramText(text::kFileNotCreated) is its text.
// Store texts (29987 and up) are named the same way; their numbers are also the IDs of
// the shop's Language rows. A name given twice fails to compile here.

namespace vendora::text {

#define VENDORA_TEXT(number, name, text) inline constexpr int name = number;
#define VENDORA_TEXT_UNNAMED(number, text)
#include "common/program_texts.inc"
#undef VENDORA_TEXT
#undef VENDORA_TEXT_UNNAMED

}  // namespace vendora::text
