#pragma once
// The shop as it runs on this machine: private copies of the two generated files that
// name the merchant's server (config.cnf and the entry page), with local addresses,
// paths and mail delivery. The merchant's own files and settings stay untouched.
#include <optional>
#include <string>
#include <string_view>

namespace vendora {

struct LocalAddresses {
  std::string storeUrl;   // "http://127.0.0.1:8080/shop/"
  std::string scriptUrl;  // "http://127.0.0.1:8080/cgi-bin/"
  std::string storePath;  // the private store folder, ending in "/"
  // How the order mail leaves: 1 hands it to the program in `submitOption` (the mail
  // stand-in), 2 speaks SMTP to the host in `submitOption`; nullopt keeps the shop's.
  std::optional<int> submitType;
  std::string submitOption;
};

// config.cnf (Windows-1252 bytes, LF lines) with the shop URL, the script URL, the
// store path and the mail settings replaced; a home page that was the shop itself
// (stand-alone shop) becomes the local shop URL as well. Every other byte is kept.
std::string LocalConfig(std::string_view configText, const LocalAddresses& local);

// The entry page with every occurrence of the merchant's script URL replaced by the
// local one (the form's action and the terms window).
std::string LocalEntryPage(std::string_view pageText, std::string_view merchantScriptUrl,
                           std::string_view localScriptUrl);

// The path part of an address ("http://host/shop/" gives "/shop/"), always beginning
// and ending in "/"; nullopt when a part of it is no plain folder name (".", "..",
// characters beyond letters, digits and "-._~"), so no address can reach outside the
// private folder.
std::optional<std::string> UrlFolderPath(std::string_view url);

}  // namespace vendora
