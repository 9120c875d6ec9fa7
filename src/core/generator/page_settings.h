#pragma once
// The values a generation or preview run derives once from the shop (layout switches,
// currencies, font face, logo, picture paths ...) and that every writer reads, and the
// three conversions of database text for HTML, data and configuration files.
#include <string>
#include <string_view>

#include "app/shop_paths.h"

namespace vendora {

struct RunContext;
class ShopDatabase;

enum class RunMode { Generation, Preview };

struct LineLayout {
  bool present = false;  // the Lines table has rows
  int first = 2;
  bool spacing = false, description = false, dividers = false, onProducts = false;
  int wrap = 1;
};

struct PreviewSettings {
  RunMode mode = RunMode::Generation;
  bool textOnly = false;
  std::string masterCurrency, secondCurrency;
  bool hasSecondCurrency = false;
  std::string fontFace;
  int tableBorder = 0;
  int categoryWrap = 1;
  bool categoryDescription = false, categoryDividers = false, categorySpacing = false;
  LineLayout lines;
  bool menuTop = false, menuTopHomePage = false, menuBottom = false;
  bool generateIndex = false, indexFirst = false, hasIndexEntries = false, indexOnStorefront = false;
  int indexEntryCount = 0;  // set by the index step
  bool useThumbnails = false, generateDetails = false;
  int thumbnailQuality = 85;
  std::string logoRef;
  bool logoOnAllPages = false;
  bool hasHomeLink = false;
  std::string scriptExtension = ".cgi";
  bool payvaneInUse = false;
  float payvaneFee = 0;
  int payvaneType = 0, payvaneTxType = 0;

  // Filled by the graphic-set step: colours as "#RRGGBB", picture file names.
  struct GraphicSetValues {
    std::string background, text, heading, link, activeLink, visitedLink;
    std::string backgroundPicture, home, front, back, cart, order, search, index, divider, buy, find, moreInfo;
  } graphicSet;

  // Filled by the web-server check: normalised server values.
  struct ServerValues {
    std::string homeUrl, storeUrl, scriptUrl, storePath, scriptFolder, interpreterLine, startPage;
  } server;

  // Filled by the Payvane check: the values olpcnf.pm is written with.
  struct PayvaneValues {
    std::string server, keyE, keyN;
    // Seals a card payment's result between order steps (HMAC key, 64 hex digits).
    std::string sealKey;
    int port = 1712, timeOut = 60, userNumber = 0;
  } payvane;

  std::string versionInfo;

  // "imgs", "thumbs" ... in generation mode, "../imgs" ... in preview mode.
  std::string BasePath(ShopSubfolder folder) const;
};

// Fills the run's settings from its snapshot (the loader of both runs); steps the
// progress bar once. Fails with the message "Es wurde keine gültige Hauptwährung
// angegeben!" when the master currency is empty after trimming.
bool LoadPreviewSettings(RunContext& run, RunMode mode);

// Control characters dropped; " & < > | as &quot; &amp; &lt; &gt; &brvbar;; trimmed.
std::string HtmlEscape(std::string_view text);
// "|" as &brvbar;, CR as <BR>, LF dropped, everything else kept (merchant's HTML); trimmed.
std::string TextToHtml(std::string_view text);
// The store text of that number through TextToHtml; empty when missing.
std::string ShopText(ShopDatabase& db, int id);

}  // namespace vendora
