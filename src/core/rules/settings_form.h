#pragma once
// The fields of a settings page (company, web server, FTP server, Payvane) as the
// merchant sees and types them: one text per field. The page builds its controls from
// the form, shows the texts read from the row and hands back what was typed; the rules
// here decide how stored values are shown, what the merchant may type and how it is
// stored.
//
// Shown and stored: a text field holding a single blank (how a fresh settings row
// marks "empty") shows as empty; an empty text of a field that may not be empty is
// stored as that single blank. Passwords are stored scrambled, hex keys scrambled and
// in upper case; numbers are shown with a decimal point and read with a point or a comma.
// A fingerprint is shown as "AB:CD:..." and stored as its 64 digits, or empty.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "shopdb/rows.h"

namespace vendora {

class Prompter;
struct FieldDef;

enum class FieldKind {
  Text,      // one line, at most the field's width in characters
  Memo,      // several lines, no limit
  Password,  // one line, masked, no control characters; stored scrambled as two hex digits
             // per UTF-8 byte, so it must fit half the field's width in bytes as well
  HexKey,    // hexadecimal digits only; stored scrambled
  Number,    // Long
  Decimal,   // Single, shown with "%.2f"
  Switch,    // Boolean, "1" or "0"
  Choice,    // Long: the index of the chosen label
  Fingerprint,  // SHA-256 of a certificate: stored as 64 hex digits, shown in pairs with colons
};

struct FormField {
  std::string_view name;   // the table's field
  std::string_view label;  // caption on the page, with its mnemonic
  FieldKind kind = FieldKind::Text;
  std::vector<std::string_view> choices = {};  // Choice: the labels, in code order
};

struct SettingsForm {
  std::string_view table;
  std::vector<FormField> fields;

  const FormField* Field(std::string_view name) const;  // nullptr when not on the form
};

using FormValues = std::map<std::string, std::string, std::less<>>;

// Most characters the merchant may type into the field; 0 for no limit.
int InputLimit(const SettingsForm& form, const FormField& field);

// Access to a row's members by field name, without knowing the row's type.
using FieldRef = std::variant<std::string*, int32_t*, float*, bool*>;
struct NamedFieldRef {
  std::string_view name;
  FieldRef ref;
};

namespace detail {
template <class T>
void AddFieldRef(std::vector<NamedFieldRef>& refs, std::string_view name, T* member) {
  if constexpr (std::is_constructible_v<FieldRef, T*>) refs.push_back({name, member});
}
}  // namespace detail

template <class Row>
std::vector<NamedFieldRef> RowFieldRefs(Row& row) {
  std::vector<NamedFieldRef> refs;
  std::apply([&](const auto&... b) { (detail::AddFieldRef(refs, b.name, &(row.*(b.member))), ...); },
             RowTraits<Row>::kFields);
  return refs;
}

// The texts the page shows for the row's fields on the form.
FormValues ShowFields(const SettingsForm& form, const std::vector<NamedFieldRef>& row);
// Takes the typed texts into the row (fields not on the form, or missing from
// `values`, keep their value). Checks every field first; the first bad one is shown
// through the prompter (too long, not a number, out of range, not hexadecimal) and
// the row stays as it was. Returns whether the texts were taken.
bool TakeFields(const SettingsForm& form, const FormValues& values, const std::vector<NamedFieldRef>& row,
                Prompter& prompter);

template <class Row>
FormValues ShowRow(const SettingsForm& form, Row row) {
  return ShowFields(form, RowFieldRefs(row));
}
template <class Row>
bool TakeRow(const SettingsForm& form, const FormValues& values, Row& row, Prompter& prompter) {
  return TakeFields(form, values, RowFieldRefs(row), prompter);
}

// Reads a whole number as the merchant typed it (blanks around it allowed).
// Shows 20028 when it is no number and 20027 when it lies outside [low, high].
bool ParseNumberField(std::string_view text, int64_t low, int64_t high, int64_t& out, Prompter& prompter);
// Reads a decimal number (point or comma) into a 32-bit float; 20028 / 20027 as above.
bool ParseDecimalField(std::string_view text, float& out, Prompter& prompter);

// Writes the row over the table's single row, or adds it when the table is empty.
// Throws DbError.
template <class Set, class Row>
void WriteSettingsRow(Set& set, const Row& row) {
  set.Open();
  if (set.IsEOF()) set.AddNew();
  else set.Edit();
  *set = row;
  set.Update();
}

}  // namespace vendora
