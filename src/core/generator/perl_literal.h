#pragma once
// Merchant values as quoted literals of the shop's Perl files (config.cnf,
// language.cnf, olpcnf.pm, the scripts' require line). Each function returns the whole
// literal, quotes included, and Perl reads back exactly the value given: an unbalanced
// brace, a quote, a backslash, "$" or "@" can neither end the literal early nor be
// interpolated, and no value splits a line of the file, so none can run as code.
//
// A value that already reads back exactly when written as it is (balanced braces in
// q{}, no quote in '...', no line break) keeps the described form byte for byte. One
// that holds a line break or another control character, which no q{} or '...' literal
// can carry on one line, is written as "..." with escapes ("\r", "\n", "\x{1f}").
#include <string>
#include <string_view>

namespace vendora {

// q{...}; "\", "{" and "}" get a backslash when the plain value would not read back.
std::string PerlQ(std::string_view value);
// '...'; "\" and "'" get a backslash when the plain value would not read back.
std::string PerlSingleQuoted(std::string_view value);
// "..."; "\", '"', "$" and "@" always get a backslash.
std::string PerlDoubleQuoted(std::string_view value);
// "..." for store texts whose "\n", "\r" and "\t" are meant as Perl escapes (the
// order mail's line breaks): those stay escapes, everything else as in PerlDoubleQuoted.
std::string PerlDoubleQuotedText(std::string_view value);

}  // namespace vendora
