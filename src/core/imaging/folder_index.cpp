#include "imaging/folder_index.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace vendora {

namespace {

size_t HashOf(std::string_view s) { return std::hash<std::string_view>()(s); }

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = LowerChar(c);
  return lower;
}

// Slots for `count` keys at most half full, a power of two.
size_t SlotsFor(size_t count) { return std::bit_ceil(std::max<size_t>(16, 2 * count)); }

}  // namespace

void FolderIndex::RehashNames(size_t slots) {
  nameSlots_.assign(slots, 0);
  const size_t mask = slots - 1;
  for (uint32_t i = 0; i < count_; ++i) {
    size_t at = HashOf(At(i).name) & mask;
    while (nameSlots_[at] != 0) at = (at + 1) & mask;
    nameSlots_[at] = i + 1;
  }
}

void FolderIndex::RehashBases(size_t slots) {
  baseSlots_.assign(slots, 0);
  const size_t mask = slots - 1;
  for (uint32_t i = 0; i < bases_.size(); ++i) {
    size_t at = HashOf(bases_[i].lowerName) & mask;
    while (baseSlots_[at] != 0) at = (at + 1) & mask;
    baseSlots_[at] = i + 1;
  }
}

uint32_t FolderIndex::Find(std::string_view name) const {
  if (nameSlots_.empty()) return kNone;
  const size_t mask = nameSlots_.size() - 1;
  for (size_t at = HashOf(name) & mask; nameSlots_[at] != 0; at = (at + 1) & mask)
    if (At(nameSlots_[at] - 1).name == name) return nameSlots_[at] - 1;
  return kNone;
}

uint32_t FolderIndex::FindOrAdd(std::string_view name) {
  if (const uint32_t found = Find(name); found != kNone) return found;
  if (2 * (count_ + 1) > nameSlots_.size()) RehashNames(SlotsFor(count_ + 1));
  if (count_ / kChunk == chunks_.size()) chunks_.push_back(std::make_unique<Entry[]>(kChunk));
  const uint32_t i = count_++;
  Entry& e = At(i);
  e.name = name;
  const size_t dot = name.find_last_of('.');
  e.hasBase = dot != std::string_view::npos;
  e.baseLength = e.hasBase ? static_cast<uint32_t>(dot) : 0;
  const size_t mask = nameSlots_.size() - 1;
  size_t at = HashOf(name) & mask;
  while (nameSlots_[at] != 0) at = (at + 1) & mask;
  nameSlots_[at] = i + 1;
  return i;
}

uint32_t FolderIndex::FindBase(std::string_view lowerBase) const {
  if (baseSlots_.empty()) return kNone;
  const size_t mask = baseSlots_.size() - 1;
  for (size_t at = HashOf(lowerBase) & mask; baseSlots_[at] != 0; at = (at + 1) & mask)
    if (bases_[baseSlots_[at] - 1].lowerName == lowerBase) return baseSlots_[at] - 1;
  return kNone;
}

uint32_t FolderIndex::FindOrAddBase(std::string_view lowerBase) {
  if (const uint32_t found = FindBase(lowerBase); found != kNone) return found;
  if (2 * (bases_.size() + 1) > baseSlots_.size()) RehashBases(SlotsFor(bases_.size() + 1));
  const auto b = static_cast<uint32_t>(bases_.size());
  bases_.push_back({std::string(lowerBase), kNone});
  const size_t mask = baseSlots_.size() - 1;
  size_t at = HashOf(lowerBase) & mask;
  while (baseSlots_[at] != 0) at = (at + 1) & mask;
  baseSlots_[at] = b + 1;
  return b;
}

// Into its base's chain, kept in name order (a chain holds a handful of names).
void FolderIndex::Link(uint32_t entry) {
  Entry& e = At(entry);
  if (e.listed) return;
  e.listed = true;
  if (!e.hasBase) return;
  Base& base = bases_[FindOrAddBase(LowerText(std::string_view(e.name).substr(0, e.baseLength)))];
  uint32_t* link = &base.first;
  while (*link != kNone && At(*link).name < e.name) link = &At(*link).nextInBase;
  e.nextInBase = *link;
  *link = entry;
}

void FolderIndex::Unlink(uint32_t entry) {
  Entry& e = At(entry);
  if (!e.listed) return;
  e.listed = false;
  if (!e.hasBase) return;
  const uint32_t b = FindBase(LowerText(std::string_view(e.name).substr(0, e.baseLength)));
  if (b == kNone) return;
  for (uint32_t* link = &bases_[b].first; *link != kNone; link = &At(*link).nextInBase) {
    if (*link == entry) {
      *link = e.nextInBase;
      break;
    }
  }
  e.nextInBase = kNone;
}

void FolderIndex::List(std::string_view name, const std::optional<FileStamp>* stamp) {
  const uint32_t i = FindOrAdd(name);
  Link(i);
  Entry& e = At(i);
  e.stampKnown = stamp != nullptr;
  e.stamp = stamp ? *stamp : std::nullopt;
}

void FolderIndex::Unlist(std::string_view name) {
  const uint32_t i = Find(name);
  if (i == kNone) return;
  Unlink(i);
  ForgetStamp(name);
}

void FolderIndex::ForgetStamp(std::string_view name) {
  const uint32_t i = Find(name);
  if (i == kNone) return;
  At(i).stampKnown = false;
  At(i).stamp.reset();
}

std::vector<std::string> FolderIndex::Named(std::string_view base) const {
  std::vector<std::string> names;
  const uint32_t b = FindBase(LowerText(base));
  if (b == kNone) return names;
  for (uint32_t i = bases_[b].first; i != kNone; i = At(i).nextInBase) names.push_back(At(i).name);
  return names;
}

const std::optional<FileStamp>* FolderIndex::KnownStamp(std::string_view name) const {
  const uint32_t i = Find(name);
  return i != kNone && At(i).stampKnown ? &At(i).stamp : nullptr;
}

const std::optional<FileStamp>& FolderIndex::SetStamp(std::string_view name, std::optional<FileStamp> stamp) {
  Entry& e = At(FindOrAdd(name));
  e.stampKnown = true;
  e.stamp = std::move(stamp);
  return e.stamp;
}

}  // namespace vendora
