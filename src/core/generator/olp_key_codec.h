#pragma once
// The reversible scrambling of the secrets kept in the shop database: the two Payvane
// keys (hexadecimal texts) and the FTP and proxy passwords (plain texts).
#include <string>
#include <string_view>

namespace vendora {

std::string ScrambleHexKey(std::string_view hexKey);
std::string UnscrambleHexKey(std::string_view stored);
std::string ScrambleSecret(std::string_view secret);
std::string UnscrambleSecret(std::string_view stored);

}  // namespace vendora
