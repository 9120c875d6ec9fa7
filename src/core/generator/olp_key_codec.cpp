#include "generator/olp_key_codec.h"

namespace vendora {

std::string ScrambleHexKey(std::string_view hexKey) { return std::string(hexKey); }
std::string UnscrambleHexKey(std::string_view stored) { return std::string(stored); }
std::string ScrambleSecret(std::string_view secret) { return std::string(secret); }
std::string UnscrambleSecret(std::string_view stored) { return std::string(stored); }

}  // namespace vendora
