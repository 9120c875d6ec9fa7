#include "rules/settings_form.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "common/fingerprint.h"
#include "shopdb/olp_key_codec.h"
#include "shopdb/schema.h"

namespace vendora {

namespace {

constexpr int kNumberDigits = 11;  // "-2147483648"
constexpr int kDecimalDigits = 24;

constexpr std::string_view kPasswordHasControl =
    "Im Feld \"%s\" sind keine Steuerzeichen wie Zeilenumbruch oder Tabulator erlaubt.";
constexpr std::string_view kPasswordTooManyBytes =
    "Die Angabe im Feld \"%s\" ist zu lang: Platz ist für %d Byte, sie braucht %d. Die Buchstaben A bis Z, "
    "Ziffern und einfache Satzzeichen belegen je ein Byte, Umlaute und „ß“ je zwei, andere Zeichen bis zu vier.";

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

const FieldDef& Def(const SettingsForm& form, const FormField& field) {
  const FieldDef* def = ShopTable(form.table).Field(field.name);
  if (!def) throw std::logic_error("settings form names unknown field " + std::string(field.name));
  return *def;
}

// The caption as a message quotes it: without mnemonic, colon and surrounding blanks.
std::string PlainLabel(std::string_view label) {
  std::string plain;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size() && label[i + 1] != '&') continue;
    plain += label[i];
  }
  std::string_view t = Trim(plain);
  if (!t.empty() && t.back() == ':') t.remove_suffix(1);
  return std::string(Trim(t));
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

bool TooLong(const FormField& field, size_t length, int limit, Prompter& prompter) {
  if (limit <= 0 || length <= static_cast<size_t>(limit)) return false;
  prompter.Show(Format(texts::kFieldTooLong, PlainLabel(field.label), limit), MessageIcon::Stop);
  return true;
}

// A value converted for storing, not yet written into the row.
using Converted = std::variant<std::string, int32_t, float, bool>;

bool Convert(const SettingsForm& form, const FormField& field, std::string_view typed, Converted& out,
             Prompter& prompter) {
  const FieldDef& def = Def(form, field);
  const int limit = InputLimit(form, field);
  switch (field.kind) {
    case FieldKind::Text:
    case FieldKind::Memo: {
      if (TooLong(field, Utf8Length(typed), limit, prompter)) return false;
      // A field that may not stay empty keeps the single blank that means "empty".
      if (Trim(typed).empty() && def.required && !def.allowZeroLength) out = std::string(" ");
      else out = std::string(typed);
      return true;
    }
    case FieldKind::Password: {
      // A line end cannot be sent in the FTP logon, and a zero byte would end the
      // password when it is read back.
      if (std::any_of(typed.begin(), typed.end(), [](char c) { return IsControl(c); })) {
        prompter.Show(Format(kPasswordHasControl, PlainLabel(field.label)), MessageIcon::Stop);
        return false;
      }
      if (TooLong(field, Utf8Length(typed), limit, prompter)) return false;
      // The field keeps two hex digits per UTF-8 byte, so characters beyond ASCII use up
      // more of it than the character limit says; say so instead of counting wrongly.
      const size_t room = static_cast<size_t>(def.width / 2);
      if (typed.size() > room) {
        prompter.Show(Format(kPasswordTooManyBytes, PlainLabel(field.label), static_cast<int>(room),
                             static_cast<int>(typed.size())),
                      MessageIcon::Stop);
        return false;
      }
      out = ScrambleSecret(typed);
      return true;
    }
    case FieldKind::HexKey: {
      const std::string_view key = Trim(typed);
      for (char c : key) {
        if (!IsHexDigit(c)) {
          prompter.Show(Format(texts::kFieldNotHex, PlainLabel(field.label)), MessageIcon::Stop);
          return false;
        }
      }
      std::string stored = ScrambleHexKey(Upper(key));
      if (TooLong(field, stored.size(), def.width, prompter)) return false;
      out = std::move(stored);
      return true;
    }
    case FieldKind::Number:
    case FieldKind::Choice: {
      int64_t n = 0;
      const int64_t high = field.kind == FieldKind::Choice ? static_cast<int64_t>(field.choices.size()) - 1
                                                           : std::numeric_limits<int32_t>::max();
      const int64_t low = field.kind == FieldKind::Choice ? 0 : std::numeric_limits<int32_t>::min();
      if (!ParseNumberField(typed, low, high, n, prompter)) return false;
      out = static_cast<int32_t>(n);
      return true;
    }
    case FieldKind::Decimal: {
      float f = 0;
      if (!ParseDecimalField(typed, f, prompter)) return false;
      out = f;
      return true;
    }
    case FieldKind::Switch: out = Trim(typed) == "1"; return true;
    case FieldKind::Fingerprint: {
      if (Trim(typed).empty()) {
        out = std::string();
        return true;
      }
      std::string fingerprint = NormalizeFingerprint(typed);
      if (fingerprint.empty()) {
        prompter.Show(Format(texts::kFieldNotFingerprint, PlainLabel(field.label)), MessageIcon::Stop);
        return false;
      }
      out = std::move(fingerprint);
      return true;
    }
  }
  return false;
}

template <class T>
bool Assign(const FieldRef& ref, const Converted& value) {
  T* const* member = std::get_if<T*>(&ref);
  const T* v = std::get_if<T>(&value);
  if (!member || !v) return false;
  **member = *v;
  return true;
}

}  // namespace

const FormField* SettingsForm::Field(std::string_view name) const {
  for (const FormField& f : fields)
    if (f.name == name) return &f;
  return nullptr;
}

int InputLimit(const SettingsForm& form, const FormField& field) {
  const FieldDef& def = Def(form, field);
  switch (field.kind) {
    case FieldKind::Text: return def.width;
    case FieldKind::Memo: return def.type == FieldType::Text ? def.width : 0;
    case FieldKind::Password: return def.width / 2;
    // An odd number of digits is stored with two more characters ("*" and a "0").
    case FieldKind::HexKey: return def.width - 1;
    case FieldKind::Number: return kNumberDigits;
    case FieldKind::Decimal: return kDecimalDigits;
    // Shown with a colon between the pairs of digits.
    case FieldKind::Fingerprint: return def.width + def.width / 2 - 1;
    case FieldKind::Switch:
    case FieldKind::Choice: return 0;
  }
  return 0;
}

FormValues ShowFields(const SettingsForm& form, const std::vector<NamedFieldRef>& row) {
  FormValues values;
  for (const NamedFieldRef& f : row) {
    const FormField* field = form.Field(f.name);
    if (!field) continue;
    std::string shown;
    if (auto* s = std::get_if<std::string*>(&f.ref)) {
      if (field->kind == FieldKind::Password) shown = UnscrambleSecret(**s);
      else if (field->kind == FieldKind::HexKey) shown = UnscrambleHexKey(**s);
      else if (field->kind == FieldKind::Fingerprint) shown = Trim(**s).empty() ? std::string() : ShowFingerprint(Trim(**s));
      else shown = Trim(**s).empty() ? std::string() : **s;
    } else if (auto* i = std::get_if<int32_t*>(&f.ref)) {
      shown = Format("%d", **i);
    } else if (auto* d = std::get_if<float*>(&f.ref)) {
      shown = Format("%.2f", **d);
    } else if (auto* b = std::get_if<bool*>(&f.ref)) {
      shown = **b ? "1" : "0";
    }
    values[std::string(f.name)] = std::move(shown);
  }
  return values;
}

bool TakeFields(const SettingsForm& form, const FormValues& values, const std::vector<NamedFieldRef>& row,
                Prompter& prompter) {
  // Everything is checked before anything is taken, so a refused field leaves the row whole.
  std::vector<std::pair<const NamedFieldRef*, Converted>> taken;
  for (const FormField& field : form.fields) {
    auto typed = values.find(field.name);
    if (typed == values.end()) continue;
    Converted value;
    if (!Convert(form, field, typed->second, value, prompter)) return false;
    for (const NamedFieldRef& f : row)
      if (f.name == field.name) taken.emplace_back(&f, std::move(value));
  }
  for (const auto& [f, value] : taken) {
    if (!Assign<std::string>(f->ref, value) && !Assign<int32_t>(f->ref, value) && !Assign<float>(f->ref, value) &&
        !Assign<bool>(f->ref, value))
      throw std::logic_error("settings form field " + std::string(f->name) + " has another type in the row");
  }
  return true;
}

bool ParseNumberField(std::string_view text, int64_t low, int64_t high, int64_t& out, Prompter& prompter) {
  const std::string t(Trim(text));
  errno = 0;
  char* end = nullptr;
  const long long n = t.empty() ? 0 : std::strtoll(t.c_str(), &end, 10);
  if (t.empty() || end != t.c_str() + t.size()) {
    prompter.Show(std::string(ProgramText(text::kOnlyNumbersAllowed)), MessageIcon::Stop);
    return false;
  }
  if (errno == ERANGE || n < low || n > high) {
    prompter.Show(std::string(ProgramText(text::kValueOutOfRange)), MessageIcon::Stop);
    return false;
  }
  out = n;
  return true;
}

bool ParseDecimalField(std::string_view text, float& out, Prompter& prompter) {
  std::string t(Trim(text));
  // A German merchant types a comma; the value is the same.
  if (t.find(',') != std::string::npos && t.find('.') == std::string::npos) t[t.find(',')] = '.';
  const char* begin = t.data();
  const char* end = begin + t.size();
  if (begin != end && *begin == '+') ++begin;
  double d = 0;
  // from_chars reads with a decimal point whatever the user's locale.
  const auto [stop, ec] = std::from_chars(begin, end, d);
  if (t.empty() || stop != end || ec == std::errc::invalid_argument) {
    prompter.Show(std::string(ProgramText(text::kOnlyNumbersAllowed)), MessageIcon::Stop);
    return false;
  }
  if (ec == std::errc::result_out_of_range || !std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) {
    prompter.Show(std::string(ProgramText(text::kValueOutOfRange)), MessageIcon::Stop);
    return false;
  }
  out = static_cast<float>(d);
  return true;
}

}  // namespace vendora
