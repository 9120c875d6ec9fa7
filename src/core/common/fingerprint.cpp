#include "common/fingerprint.h"

namespace vendora {

std::string ShowFingerprint(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i < hex.size(); ++i) {
    if (i > 0 && i % 2 == 0) out += ':';
    out += hex[i];
  }
  return out;
}

std::string NormalizeFingerprint(std::string_view text) {
  std::string hex;
  for (char c : text) {
    if (c == ':' || c == ' ') continue;
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return {};
    hex += c;
  }
  return hex.size() == 64 ? hex : std::string();
}

}  // namespace vendora
