#pragma once
// Texts the program carries inside itself, embedded at build time from
// src/core/generator/storefront/: the bodies of the shop's Perl scripts.
#include <span>
#include <string_view>

namespace vendora {

struct EmbeddedFile {
  std::string_view name;   // source file name, e.g. "catalog.pl"
  std::string_view bytes;  // the file as it is, byte for byte
};

// Every storefront script the build embedded.
std::span<const EmbeddedFile> StorefrontFiles();

}  // namespace vendora
