#pragma once
// The reversible scrambling of the secrets kept in the shop database: the two Payvane
// keys (hexadecimal texts) and the FTP and proxy passwords (plain texts). Both XOR the
// bytes with the key "RkTqmWzHbnYe" (repeated from its start) and store them as
// upper-case hex pairs.
//
// None of these functions fails or throws; damaged stored text decodes to something
// (see below) instead of being refused.
#include <string>
#include <string_view>

namespace vendora {

// Hex key -> stored text. Surrounding blanks are ignored (a blank key stores as empty).
// Digits are 0-9 and upper-case A-F; any other character counts as 0, so keys must be
// upper-cased before they are stored. An odd number of digits gets a "0" in front and
// the result a "*" in front.
std::string ScrambleHexKey(std::string_view hexKey);
// Stored text -> hex key in upper case. Surrounding blanks are ignored, so the single
// blank of a fresh row reads as empty. Damaged text: non-digits count as 0, and a lone
// last digit is read with 0 as its second digit.
std::string UnscrambleHexKey(std::string_view stored);

// Password -> stored text (its UTF-8 bytes XORed, as hex: two digits per byte, so a
// field of width w holds w / 2 bytes). An empty password stores as empty.
std::string ScrambleSecret(std::string_view secret);
// Stored text -> password; every password without a zero byte comes back as it was
// scrambled, whatever its length. Surrounding blanks are ignored, so the single blank
// of a fresh row reads as empty. Damaged text decodes as in UnscrambleHexKey; a decoded
// zero byte ends the password.
std::string UnscrambleSecret(std::string_view stored);

}  // namespace vendora
