#pragma once
// One page of the storefront as static HTML 3.2: the preview pages and the entry page
// of the generated shop. It holds what every page reads (the run's settings, the text
// blocks, the store texts, the graphic set's pictures) and writes the pieces every page
// shares: head (language, viewport, style sheet), meta tags, title, policy script, body
// tag, menu bar, divider, footer, legal footer, logo and credit line, as the Perl pages
// of the shop write them. Text goes through the one code-page encoder, so characters
// the code page lacks arrive as "&#N;".
//
// The run's mode decides what differs between the two: picture paths ("../imgs" in the
// preview), the form's action and the address of the terms window.
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/text_format.h"
#include "common/output_file.h"
#include "generator/run_context.h"
#include "shopdb/rows.h"

namespace vendora {

// "SRC="base/file" WIDTH=w HEIGHT=h BORDER=0" from an ImageRef ("file/w/h", "file//");
// empty for a reference without "/". The file name is URL-encoded where it must be.
std::string ImageAttributes(std::string_view basePath, std::string_view imageRef);

// "Tue, 14 Nov 2023 22:13:20 GMT": UTC with English names whatever the locale.
std::string HttpDate(std::time_t time);

// The text naming this program in the Generator meta tag.
std::string GeneratorText();

// A text for a double-quoted attribute: a quote becomes "&quot;", entities stay.
std::string AttributeText(std::string_view text);

// "catalog" plus the shop's script extension.
std::string CatalogueScriptName(const RunContext& run);

// The style sheet of every page, "<STYLE TYPE="text/css">...</STYLE>\n": the text the
// Perl pages' WebCode::StyleSheet writes for the same graphic set and font face (a
// test holds the two to the same bytes). Colours are the set's, each replaced when it
// is not readable on the background; the font face keeps only ASCII letters, digits,
// "_", blanks, "," and "-".
std::string StyleSheet(const PreviewSettings& settings);

// " STYLE="padding:Ypx Xpx"" for a picture button that is smaller than a fingertip
// (44 x 44 CSS pixels) by the size in its ImageRef ("file/w/h"); empty when it is large
// enough or its size is unknown.
std::string TapPadding(std::string_view imageRef);

class StorePage {
 public:
  // Reads the text blocks and the store texts; database errors leave them empty.
  explicit StorePage(RunContext& run);

  // Creates the page file; a failure is logged as a file error (and shown when a
  // prompter is given) and returns false.
  bool Open(const std::filesystem::path& file, std::string_view displayName, Prompter* prompter);
  // Closes the file and steps the progress bar; false (logged) when not all was written.
  bool Finish();

  void Write(std::string_view utf8) { out_.Write(utf8); }
  template <class... Args>
  void Put(std::string_view format, const Args&... args) {
    out_.Write(Format(format, args...));
  }

  // The store text of that number (as the shop shows it), empty when missing.
  const std::string& Text(int id) const;

  // Shared pieces.
  void WriteHtmlHead();
  void WriteMetaTags();
  // The store name, then " - " and the page's text when there is one.
  void WriteTitle(std::string_view pageText = {});
  void WritePolicyScript();
  void WriteBodyTag();
  // The skeleton's start: head, meta tags, title, policy script, "</HEAD>", body tag.
  void BeginPage(std::string_view pageText = {});
  void EndPage() { Write("</BODY></HTML>\n"); }
  void WriteMenuBar(bool showBack, bool showFront, bool showOrder);
  void WriteDivider();
  // The mail addresses for questions and support.
  void WriteFooter();
  // Buttons of the page's form to imprint, privacy, terms, withdrawal and shipping
  // costs, which the catalogue script answers.
  void WriteLegalFooter();
  void WriteLogo(bool isStorefront);
  void WriteCreditLine();

  // An image button " TYPE=IMAGE ... ALT=..." (with its tap padding) when the picture
  // exists (and pictures are shown), else a text button " TYPE=SUBMIT VALUE=...".
  std::string Button(const std::string& pictureRef, const std::string& text) const;

  // The graphic set's pictures as ImageRefs in imgs; empty in a text-only shop or when
  // the set has no such picture.
  struct SetPictures {
    std::string home, front, back, cart, order, search, index, divider, buy, find, background;
  };
  const SetPictures& Pictures() const { return pictures_; }

  // Products the shop shows: available, with an available item, in an included
  // category. Read once per run (taken from the catalogue walk when it ran); throws DbError.
  const std::unordered_set<int32_t>& ShownProducts();
  // Categories holding at least one shown product.
  const std::unordered_set<int32_t>& ShownCategories();

  // Names as pages show them (escaped; empty for a sentinel or an unknown key), the
  // rate of a tax type, and the names of the included lines a product belongs to.
  // Each table is read once per page on first use; they throw DbError.
  std::string AttributeName(int32_t id);
  std::string ValueName(int32_t id);
  std::string ProductName(int32_t id);
  float TaxRate(int32_t id);
  const std::vector<std::string>& LinesOf(int32_t productId);

  RunContext& run;
  const PreviewSettings& settings;
  const CompanyRow& company;
  TextBlocksRow textBlocks;
  std::string face;  // the font face, ready for an attribute

 private:
  OutputFile out_;
  std::string displayName_;
  std::map<int, std::string> texts_;
  SetPictures pictures_;
  std::optional<std::unordered_set<int32_t>> shownProducts_, shownCategories_;
  std::optional<std::unordered_map<int32_t, std::string>> attributes_, values_;
  std::optional<std::unordered_map<int32_t, float>> taxRates_;
  std::optional<std::unordered_map<int32_t, std::vector<std::string>>> lines_;
};

// Writes one page file: opens it, lets `body` write, closes it and steps the progress
// bar. A file that cannot be created is logged (and shown through `creationPrompter`
// when given). A database error ends the page where it happened and is shown as such;
// the file is still closed and the page counts as failed.
bool WritePageFile(RunContext& run, const std::filesystem::path& file, std::string_view displayName,
                   Prompter* creationPrompter, const std::function<void(StorePage&)>& body);

// The same for a page of the preview folder: a failure to create it is only logged
// (the preview run then shows its own message).
bool WritePreviewPage(RunContext& run, std::string_view fileName, const std::function<void(StorePage&)>& body);

}  // namespace vendora
