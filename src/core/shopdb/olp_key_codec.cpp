#include "shopdb/olp_key_codec.h"

#include <cstddef>

#include "common/text_util.h"

namespace vendora {

namespace {

constexpr std::string_view kKey = "RkTqmWzHbnYe";
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Only upper-case digits are digits here: stored values have always been written
// that way, and the merchant's keys are entered in upper case.
unsigned HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return 0;
}

void AppendHex(std::string& out, unsigned byte) {
  out += kHexDigits[(byte >> 4) & 0xF];
  out += kHexDigits[byte & 0xF];
}

// Pairs of hex digits to bytes. A lone last digit is read as if its partner were a
// non-digit (0), so damaged stored text still decodes.
std::string HexToBytes(std::string_view hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2 + 1);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const unsigned high = HexValue(hex[i]);
    const unsigned low = i + 1 < hex.size() ? HexValue(hex[i + 1]) : 0;
    bytes += static_cast<char>((high << 4) | low);
  }
  return bytes;
}

std::string BytesToHex(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) AppendHex(hex, static_cast<unsigned char>(c));
  return hex;
}

std::string XorWithKey(std::string_view bytes) {
  std::string out(bytes);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ kKey[i % kKey.size()]);
  return out;
}

}  // namespace

std::string ScrambleHexKey(std::string_view hexKey) {
  const std::string_view key = Trim(hexKey);
  if (key.empty()) return {};
  const bool padded = key.size() % 2 != 0;
  const std::string digits = padded ? "0" + std::string(key) : std::string(key);
  const std::string out = BytesToHex(XorWithKey(HexToBytes(digits)));
  return padded ? "*" + out : out;
}

std::string UnscrambleHexKey(std::string_view stored) {
  std::string_view text = Trim(stored);
  const bool padded = !text.empty() && text.front() == '*';
  if (padded) text.remove_prefix(1);
  std::string hex = BytesToHex(XorWithKey(HexToBytes(text)));
  if (padded && !hex.empty()) hex.erase(0, 1);
  return hex;
}

std::string ScrambleSecret(std::string_view secret) { return BytesToHex(XorWithKey(secret)); }

std::string UnscrambleSecret(std::string_view stored) {
  // No minimum length: a one-character password is stored as just two digits.
  std::string secret = XorWithKey(HexToBytes(Trim(stored)));
  // A zero byte cannot come from a typed password; the secret ends there, as it
  // would for every consumer that takes it as a C string.
  if (const size_t nul = secret.find('\0'); nul != std::string::npos) secret.resize(nul);
  return secret;
}

}  // namespace vendora
