#include "publish/sent_record.h"

#include <openssl/evp.h>

#include <charconv>
#include <fstream>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/file_write.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "vendora sent files 2";
// Records of earlier versions know nothing of the server's side.
constexpr std::string_view kHeaderWithoutServer = "vendora sent files 1";

bool ReadSize(std::string_view text, uint64_t& size) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

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
  std::string header, line;
  if (!in || !std::getline(in, header) || (header != kHeader && header != kHeaderWithoutServer) ||
      !std::getline(in, line) || line != serverKey_)
    return;
  const size_t fields = header == kHeader ? 4 : 2;
  // "size|hash|remote size|remote time|path", or "size|hash|path" in the older form.
  while (std::getline(in, line)) {
    std::vector<std::string_view> parts;
    std::string_view rest(line);
    while (parts.size() < fields) {
      const size_t bar = rest.find('|');
      if (bar == std::string_view::npos) break;
      parts.push_back(rest.substr(0, bar));
      rest.remove_prefix(bar + 1);
    }
    Entry e;
    if (parts.size() != fields || !ReadSize(parts[0], e.size) || parts[1].size() != 64 || rest.empty()) continue;
    e.hash = std::string(parts[1]);
    if (fields == 4 && !ReadSize(parts[2], e.remoteSize)) continue;
    if (fields == 4 && parts[3] != "-") e.remoteStamp = std::string(parts[3]);
    entries_[std::string(rest)] = std::move(e);
  }
}

bool SentRecord::Unchanged(const std::string& path, const fs::path& local, uint64_t size) const {
  const auto it = entries_.find(path);
  return it != entries_.end() && it->second.size == size && it->second.hash == FileSha256(local);
}

bool SentRecord::KnowsServer(const std::string& path) const {
  const auto it = entries_.find(path);
  return it != entries_.end() && !it->second.remoteStamp.empty();
}

bool SentRecord::ServerAsLeft(const std::string& path, uint64_t remoteSize, const std::string& remoteStamp) const {
  const auto it = entries_.find(path);
  return it != entries_.end() && !it->second.remoteStamp.empty() && it->second.remoteSize == remoteSize &&
         it->second.remoteStamp == remoteStamp;
}

void SentRecord::Sent(const std::string& path, const fs::path& local, uint64_t remoteSize,
                      const std::string& remoteStamp) {
  std::error_code ec;
  const uint64_t size = fs::file_size(local, ec);
  std::string hash = ec ? std::string() : FileSha256(local);
  // A time the record's own form cannot hold is as good as none: the file is then
  // judged by its local time alone next time.
  const bool stampFits = remoteStamp.find_first_of("|\r\n") == std::string::npos;
  if (hash.empty()) entries_.erase(path);
  else entries_[path] = Entry{size, std::move(hash), remoteSize, stampFits ? remoteStamp : std::string()};
  touched_ = true;
}

void SentRecord::Failed(const std::string& path) {
  // A content no file has and a time no listing shows: never unchanged, never as left.
  entries_[path] = Entry{0, std::string(64, '-'), 0, "?"};
  touched_ = true;
}

void SentRecord::Forget(const std::string& path) { touched_ = entries_.erase(path) > 0 || touched_; }

bool SentRecord::Save() {
  if (!touched_ || file_.empty()) return true;
  std::string text(kHeader);
  text += '\n' + serverKey_ + '\n';
  for (const auto& [path, e] : entries_)
    text += std::to_string(e.size) + '|' + e.hash + '|' + std::to_string(e.remoteSize) + '|' +
            (e.remoteStamp.empty() ? "-" : e.remoteStamp) + '|' + path + '\n';
  if (!ReplaceFileContent(file_, text)) return false;
  touched_ = false;
  return true;
}

}  // namespace vendora
