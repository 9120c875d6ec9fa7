#include "generator/perl_literal.h"

#include "common/text_format.h"

namespace vendora {
namespace {

bool IsLineBreaking(char c) { return static_cast<unsigned char>(c) < 32 && c != '\t'; }

bool HasLineBreaking(std::string_view value) {
  for (char c : value)
    if (IsLineBreaking(c)) return true;
  return false;
}

// Appends `c` to a double-quoted literal: escaped where Perl would read it otherwise.
void AppendDoubleQuoted(std::string& out, char c) {
  switch (c) {
    case '\\':
    case '"':
    case '$':
    case '@': out += '\\'; out += c; return;
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    default: break;
  }
  if (IsLineBreaking(c)) out += Format("\\x{%02x}", static_cast<unsigned char>(c));
  else out += c;
}

std::string Escaped(std::string_view value, char open, char close, std::string_view special) {
  std::string out(1, open);
  out.reserve(value.size() + 8);
  for (char c : value) {
    if (special.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out + close;
}

// A backslash in a single-quoting literal is only an escape before itself or a
// delimiter; everywhere else it stands for itself.
bool BackslashStandsForItself(std::string_view value, size_t at, std::string_view escapable) {
  return at + 1 < value.size() && escapable.find(value[at + 1]) == std::string_view::npos;
}

bool ReadsBackInQ(std::string_view value) {
  int depth = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    switch (value[i]) {
      case '\\':
        if (!BackslashStandsForItself(value, i, "\\{}")) return false;
        break;
      case '{': ++depth; break;
      case '}':
        if (--depth < 0) return false;
        break;
      default: break;
    }
  }
  return depth == 0;
}

bool ReadsBackInSingleQuotes(std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\'') return false;
    if (value[i] == '\\' && !BackslashStandsForItself(value, i, "\\'")) return false;
  }
  return true;
}

}  // namespace

std::string PerlQ(std::string_view value) {
  if (HasLineBreaking(value)) return PerlDoubleQuoted(value);
  if (ReadsBackInQ(value)) return "q{" + std::string(value) + "}";
  return "q" + Escaped(value, '{', '}', "\\{}");
}

std::string PerlSingleQuoted(std::string_view value) {
  if (HasLineBreaking(value)) return PerlDoubleQuoted(value);
  if (ReadsBackInSingleQuotes(value)) return "'" + std::string(value) + "'";
  return Escaped(value, '\'', '\'', "\\'");
}

std::string PerlDoubleQuoted(std::string_view value) {
  std::string out = "\"";
  out.reserve(value.size() + 8);
  for (char c : value) AppendDoubleQuoted(out, c);
  return out + '"';
}

std::string PerlDoubleQuotedText(std::string_view value) {
  std::string out = "\"";
  out.reserve(value.size() + 8);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && std::string_view("nrt").find(value[i + 1]) != std::string_view::npos) {
      out += value.substr(i, 2);
      ++i;
    } else {
      AppendDoubleQuoted(out, value[i]);
    }
  }
  return out + '"';
}

}  // namespace vendora
