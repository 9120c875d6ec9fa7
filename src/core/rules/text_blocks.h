#pragma once
// The design page's text tab: the shop's text blocks (the single TextBlocks row),
// one section at a time in one edit, with import from and export to a file, deleting
// a section, and saving. The texts may hold HTML; they are stored as typed.
//
// Threading: one thread, the one that owns the database.
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/status.h"
#include "shopdb/rows.h"

namespace vendora {

class Prompter;
class ShopDatabase;

enum class TextSection { Welcome, Instructions, Policy, Thankyou, Privacy, Withdrawal };

struct TextSectionInfo {
  TextSection section;
  std::string_view name;  // as the chooser shows it and the delete question names it
};

// The chooser's entries, in its order.
inline constexpr std::array<TextSectionInfo, 6> kTextSections = {{
    {TextSection::Welcome, "Begrüßung"},
    {TextSection::Instructions, "Anweisungen"},
    {TextSection::Policy, "Gesch.-Bedingungen"},
    {TextSection::Thankyou, "Vielen Dank"},
    {TextSection::Privacy, "Datenschutzerklärung"},
    {TextSection::Withdrawal, "Widerrufsbelehrung"},
}};

std::string_view SectionName(TextSection section);
std::string& SectionText(TextBlocksRow& row, TextSection section);

// The file dialogs of import and export.
inline constexpr std::string_view kImportDialogTitle = "Datei wählen...";
inline constexpr std::string_view kImportDialogFilter = "Alle Dateien (*.*)";
inline constexpr std::string_view kExportDialogTitle = "Datei speichern unter...";

inline constexpr std::string_view kDeleteSectionQuestion = "Wollen Sie den Text für den Abschnitt %s wirklich löschen?";
// Own wording for files that cannot be read or written.
inline constexpr std::string_view kTextFileNotRead = "Die Datei '%s' konnte nicht gelesen werden (%s).";
inline constexpr std::string_view kTextFileTooLarge =
    "Die Datei '%s' ist zu groß für einen Textabschnitt (höchstens %d MB).";
inline constexpr std::string_view kTextFileNotWritten = "Die Datei '%s' konnte nicht geschrieben werden.";
inline constexpr std::string_view kNoSectionChosen = "Bitte wählen Sie zuerst einen Abschnitt.";
inline constexpr size_t kMaxImportBytes = 4u << 20;

// The text of a file for a section: UTF-8 as it is (without a byte-order mark), any
// other bytes as Windows-1252, the code page older texts were written in. Fails with
// a German reason when the file cannot be read or is larger than kMaxImportBytes.
Result<std::string> ReadTextFile(const std::filesystem::path& file);

class TextBlocksEditor {
 public:
  // Reads the row (empty texts while the table has none). DbError passes on.
  explicit TextBlocksEditor(ShopDatabase& db);

  // The section shown, none until one is chosen.
  std::optional<TextSection> Section() const { return section_; }
  // The edit's text (kept here as the merchant types, see Edit).
  const std::string& Shown() const { return shown_; }
  const TextBlocksRow& Blocks() const { return blocks_; }
  bool IsChanged() const { return changed_; }

  // Choosing a section: the edit's text goes into the section shown so far, the
  // chosen one's text is shown and returned.
  const std::string& Choose(TextSection section);
  // Every edit of the text; raises the flag.
  void Edit(std::string text);
  void SetPolicyJava(bool on);

  // Inserts the file's text into the edit at the byte offsets [start, end) of Shown()
  // (a selection is replaced; offsets are clamped and kept on character boundaries)
  // and raises the flag. Returns the caret offset after the inserted text. A failure
  // leaves the text unchanged.
  Result<size_t> Import(const std::filesystem::path& file, size_t start, size_t end);
  // Writes the edit's whole text to the file, byte for byte (created or replaced).
  // Refused (kNoSectionChosen) while no section is chosen.
  Status Export(const std::filesystem::path& file) const;
  // Asks kDeleteSectionQuestion with the section's name (Yes/No); Yes empties the
  // section and the edit and raises the flag. False without a section or on No.
  bool DeleteSection(Prompter& prompter);

  // When changed: writes the texts (the edit's included) and PolicyJava over the
  // single row, or adds it, in one transaction, and clears the flag. A database error
  // is shown through the prompter; the flag and the texts stay, false.
  bool Save(Prompter& prompter);
  // Reads the row again, shows the chosen section's stored text, clears the flag.
  // DbError passes on.
  void Discard();

 private:
  void Keep();  // the edit's text into the section shown

  ShopDatabase& db_;
  TextBlocksRow blocks_;
  std::optional<TextSection> section_;
  std::string shown_;
  bool changed_ = false;
};

}  // namespace vendora
