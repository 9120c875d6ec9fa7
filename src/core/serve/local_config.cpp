#include "serve/local_config.h"

#include <vector>

#include "generator/perl_literal.h"

namespace vendora {

namespace {

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The value of a "$Name = '...';" line as Perl reads a plain single-quoted literal;
// enough to compare the home page with the shop URL.
std::string SingleQuotedValue(std::string_view line) {
  const size_t equals = line.find(" = ");
  if (equals == std::string_view::npos) return {};
  const size_t open = line.find('\'', equals);
  const size_t close = line.rfind('\'');
  if (open == std::string_view::npos || close <= open) return {};
  return std::string(line.substr(open + 1, close - open - 1));
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

}  // namespace

std::string LocalConfig(std::string_view configText, const LocalAddresses& local) {
  constexpr std::string_view kExtern = "$Basis{'Extern'} = ", kUrl = "$Basis{'Url'} = ", kCgi = "$Basis{'CGI'} = ",
                             kPath = "$Path{'Basis'} = ", kSubmitType = "$SubmitType = ",
                             kSubmitOption = "$SubmitOption = ";
  const std::vector<std::string_view> lines = Lines(configText);
  std::string merchantUrl;
  for (std::string_view line : lines)
    if (StartsWith(line, kUrl)) merchantUrl = SingleQuotedValue(line);

  std::string out;
  out.reserve(configText.size() + 256);
  for (std::string_view line : lines) {
    if (StartsWith(line, kExtern)) {
      // A stand-alone shop's home page is the shop; an external one stays a link out.
      if (SingleQuotedValue(line) == merchantUrl) out += std::string(kExtern) + PerlSingleQuoted(local.storeUrl) + ";\n";
      else out += line;
    } else if (StartsWith(line, kUrl)) {
      out += std::string(kUrl) + PerlSingleQuoted(local.storeUrl) + ";\n";
    } else if (StartsWith(line, kCgi)) {
      out += std::string(kCgi) + PerlSingleQuoted(local.scriptUrl) + ";\n";
    } else if (StartsWith(line, kPath)) {
      out += std::string(kPath) + PerlDoubleQuoted(local.storePath) + ";\n";
    } else if (local.submitType && StartsWith(line, kSubmitType)) {
      out += std::string(kSubmitType) + std::to_string(*local.submitType) + ";\n";
      out += std::string(kSubmitOption) + PerlQ(local.submitOption) + ";\n";
    } else if (local.submitType && StartsWith(line, kSubmitOption)) {
      continue;  // replaced together with the type
    } else {
      out += line;
    }
  }
  return out;
}

std::string LocalEntryPage(std::string_view pageText, std::string_view merchantScriptUrl,
                           std::string_view localScriptUrl) {
  std::string out;
  if (merchantScriptUrl.empty()) return std::string(pageText);
  for (size_t at = 0;;) {
    const size_t found = pageText.find(merchantScriptUrl, at);
    if (found == std::string_view::npos) {
      out += pageText.substr(at);
      return out;
    }
    out += pageText.substr(at, found - at);
    out += localScriptUrl;
    at = found + merchantScriptUrl.size();
  }
}

std::optional<std::string> UrlFolderPath(std::string_view url) {
  const size_t scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  const size_t slash = rest.find('/');
  rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  rest = rest.substr(0, rest.find_first_of("?#"));
  // A page name at the end ("/shop/index.html") is no folder of the layout.
  if (const size_t last = rest.rfind('/'); last != std::string_view::npos) rest = rest.substr(0, last + 1);
  std::string path = "/";
  while (!rest.empty()) {
    const size_t end = rest.find('/');
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (part.empty()) continue;
    if (part == "." || part == "..") return std::nullopt;
    for (char c : part)
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~'))
        return std::nullopt;
    path += std::string(part) + "/";
  }
  return path;
}

}  // namespace vendora
