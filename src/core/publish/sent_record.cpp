#include "publish/sent_record.h"

#include <openssl/evp.h>

#include <charconv>
#include <fstream>
#include <memory>
#include <string_view>
#include <system_error>

#include "common/file_write.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "vendora sent files 1";

}  // namespace

std::string FileSha256(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!in || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return {};
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    EVP_DigestUpdate(ctx.get(), buffer, static_cast<size_t>(in.gcount()));
  if (in.bad()) return {};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

SentRecord::SentRecord(fs::path file, std::string serverKey) : file_(std::move(file)), serverKey_(std::move(serverKey)) {
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line) || line != kHeader || !std::getline(in, line) || line != serverKey_) return;
  // "size|hash|path"
  while (std::getline(in, line)) {
    const size_t bar1 = line.find('|'), bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
    if (bar2 == std::string::npos) continue;
    Entry e;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + bar1, e.size);
    e.hash = line.substr(bar1 + 1, bar2 - bar1 - 1);
    if (ec != std::errc() || end != line.data() + bar1 || e.hash.size() != 64) continue;
    entries_[line.substr(bar2 + 1)] = std::move(e);
  }
}

bool SentRecord::Unchanged(const std::string& path, const fs::path& local, uint64_t size) const {
  const auto it = entries_.find(path);
  return it != entries_.end() && it->second.size == size && it->second.hash == FileSha256(local);
}

void SentRecord::Sent(const std::string& path, const fs::path& local) {
  std::error_code ec;
  const uint64_t size = fs::file_size(local, ec);
  std::string hash = ec ? std::string() : FileSha256(local);
  if (hash.empty()) entries_.erase(path);
  else entries_[path] = Entry{size, std::move(hash)};
  touched_ = true;
}

void SentRecord::Forget(const std::string& path) { touched_ = entries_.erase(path) > 0 || touched_; }

bool SentRecord::Save() {
  if (!touched_ || file_.empty()) return true;
  std::string text(kHeader);
  text += '\n' + serverKey_ + '\n';
  for (const auto& [path, e] : entries_) text += std::to_string(e.size) + '|' + e.hash + '|' + path + '\n';
  if (!ReplaceFileContent(file_, text)) return false;
  touched_ = false;
  return true;
}

}  // namespace vendora
