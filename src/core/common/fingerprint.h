#pragma once
// Certificate and host-key fingerprints as the merchant types, stores and reads them.
#include <string>
#include <string_view>

namespace vendora {

// "AB:CD:..." (pairs separated by colons) for showing a fingerprint.
std::string ShowFingerprint(std::string_view hex);
// A fingerprint as typed or stored (any case, with or without colons or blanks) as 64
// upper-case hex digits; empty when it is not one.
std::string NormalizeFingerprint(std::string_view text);

}  // namespace vendora
