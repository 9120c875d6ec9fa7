#pragma once
// The files of one folder by exact name and by base name (the name before its last
// ".", letter case ignored), with each file's stamp once it has been read.
//
// Built for picture folders of tens of thousands of files read in every generation:
// entries live in fixed chunks (their addresses never change) and are found through
// two open-addressing tables of entry numbers, so a listing costs no allocation per
// file, a look-up copies no text, and freeing the index at the end is a few blocks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_stamp.h"

namespace vendora {

class FolderIndex {
 public:
  // A file of the listing, found by its base from now on. `stamp`, when given, is the
  // file's stamp as just read.
  void List(std::string_view name, const std::optional<FileStamp>* stamp = nullptr);
  // No longer listed; its stamp is forgotten.
  void Unlist(std::string_view name);
  // Its stamp is read again when next asked for (the file was written).
  void ForgetStamp(std::string_view name);

  // Names listed under the base, in name order.
  std::vector<std::string> Named(std::string_view base) const;
  // The stamp as read before (nullopt inside: no regular file), or nullptr when it
  // has not been read.
  const std::optional<FileStamp>* KnownStamp(std::string_view name) const;
  // Records the stamp read now and returns where it is kept (valid as long as the index).
  const std::optional<FileStamp>& SetStamp(std::string_view name, std::optional<FileStamp> stamp);

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr size_t kChunk = 1024;

  struct Entry {
    std::string name;
    std::optional<FileStamp> stamp;
    uint32_t nextInBase = kNone;  // the next listed name of the same base, in name order
    uint32_t baseLength = 0;      // of the name before its last "."
    bool hasBase = false;         // the name has a "."
    bool stampKnown = false;
    bool listed = false;
  };
  struct Base {
    std::string lowerName;
    uint32_t first = kNone;
  };

  Entry& At(uint32_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  uint32_t Find(std::string_view name) const;
  uint32_t FindOrAdd(std::string_view name);
  uint32_t FindBase(std::string_view lowerBase) const;
  uint32_t FindOrAddBase(std::string_view lowerBase);
  void Link(uint32_t entry);
  void Unlink(uint32_t entry);
  void RehashNames(size_t slots);
  void RehashBases(size_t slots);

  std::vector<std::unique_ptr<Entry[]>> chunks_;
  uint32_t count_ = 0;
  std::vector<uint32_t> nameSlots_;  // entry number + 1; 0 is free
  std::vector<Base> bases_;
  std::vector<uint32_t> baseSlots_;  // base number + 1; 0 is free
};

}  // namespace vendora
