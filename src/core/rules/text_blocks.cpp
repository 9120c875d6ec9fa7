#include "rules/text_blocks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "common/file_error_text.h"
#include "common/file_write.h"
#include "common/output_file.h"
#include "common/prompter.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "rules/settings_form.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

TextBlocksRow ReadBlocks(ShopDatabase& db) {
  CRecSetTextblocks set(db);
  set.Open();
  return set.IsEOF() ? TextBlocksRow{} : *set;
}

// Moves an offset back onto the first byte of a character, so an insertion never
// splits one.
size_t CharacterBoundary(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  while (offset > 0 && offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) --offset;
  return offset;
}

}  // namespace

std::string_view SectionName(TextSection section) {
  for (const auto& info : kTextSections)
    if (info.section == section) return info.name;
  return {};
}

std::string& SectionText(TextBlocksRow& row, TextSection section) {
  switch (section) {
    case TextSection::Welcome: return row.Welcome;
    case TextSection::Instructions: return row.Instructions;
    case TextSection::Policy: return row.Policy;
    case TextSection::Thankyou: return row.Thankyou;
    case TextSection::Privacy: return row.Privacy;
    case TextSection::Withdrawal: return row.Withdrawal;
  }
  return row.Welcome;
}

Result<std::string> ReadTextFile(const fs::path& file) {
  const std::string name = file.string();
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (ec) return Result<std::string>::Error(Format(kTextFileNotRead, name, FileErrorReason(ec)));
  // Opening a pipe or a device would wait for a writer that may never come.
  if (!fs::is_regular_file(status)) {
    const std::string reason = fs::is_directory(status) ? FileErrorReason(std::make_error_code(std::errc::is_a_directory))
                                                        : std::string("keine gewöhnliche Datei");
    return Result<std::string>::Error(Format(kTextFileNotRead, name, reason));
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(name.c_str(), "rb"), &std::fclose);
  if (!in) return Result<std::string>::Error(Format(kTextFileNotRead, name, FileErrorReason({errno, std::generic_category()})));
  // Bounded by what is read, not by the size the file claims at the start.
  std::string bytes;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;) {
    bytes.append(buffer, got);
    if (bytes.size() > kMaxImportBytes)
      return Result<std::string>::Error(Format(kTextFileTooLarge, name, static_cast<int>(kMaxImportBytes >> 20)));
  }
  if (std::ferror(in.get()))
    return Result<std::string>::Error(Format(kTextFileNotRead, name, FileErrorReason(std::make_error_code(std::errc::io_error))));
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  if (IsValidUtf8(bytes)) return bytes;
  return FromCodePage(bytes);
}

TextBlocksEditor::TextBlocksEditor(ShopDatabase& db) : db_(db), blocks_(ReadBlocks(db)) {}

void TextBlocksEditor::Keep() {
  if (section_) SectionText(blocks_, *section_) = shown_;
}

const std::string& TextBlocksEditor::Choose(TextSection section) {
  Keep();
  section_ = section;
  shown_ = SectionText(blocks_, section);
  return shown_;
}

void TextBlocksEditor::Edit(std::string text) {
  shown_ = std::move(text);
  changed_ = true;
}

void TextBlocksEditor::SetPolicyJava(bool on) {
  blocks_.PolicyJava = on;
  changed_ = true;
}

Result<size_t> TextBlocksEditor::Import(const fs::path& file, size_t start, size_t end) {
  Result<std::string> text = ReadTextFile(file);
  if (!text.ok()) return text.status();
  start = CharacterBoundary(shown_, start);
  end = std::max(start, CharacterBoundary(shown_, end));
  shown_.replace(start, end - start, *text);
  changed_ = true;
  return start + text->size();
}

Status TextBlocksEditor::Export(const fs::path& file) const {
  if (!section_) return Status::Error(std::string(kNoSectionChosen));
  if (!ReplaceFileContent(file, shown_)) return Status::Error(Format(kTextFileNotWritten, file.string()));
  return Status::Ok();
}

bool TextBlocksEditor::DeleteSection(Prompter& prompter) {
  if (!section_) return false;
  if (prompter.AskYesNo(Format(kDeleteSectionQuestion, SectionName(*section_)), Answer::Yes) != Answer::Yes)
    return false;
  shown_.clear();
  SectionText(blocks_, *section_).clear();
  changed_ = true;
  return true;
}

bool TextBlocksEditor::Save(Prompter& prompter) {
  if (!changed_) return true;
  Keep();
  try {
    TransactionScope transaction(db_);
    CRecSetTextblocks set(db_);
    WriteSettingsRow(set, blocks_);
    transaction.Commit();
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
  changed_ = false;
  return true;
}

void TextBlocksEditor::Discard() {
  blocks_ = ReadBlocks(db_);
  shown_ = section_ ? SectionText(blocks_, *section_) : std::string();
  changed_ = false;
}

}  // namespace vendora
