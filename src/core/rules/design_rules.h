#pragma once
// What the design page ("Darstellung") does beyond showing its fields: which layout
// controls the others switch on and off, the change of the thumbnail quality (which
// throws away every thumbnail made so far), saving the layout row and the question
// asked when the page is left with unsaved changes. Its text tab is in
// rules/text_blocks.h, its graphic-set tab in rules/graphic_set_tab.h.
//
// Threading: one thread, the one that owns the database.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "shopdb/rows.h"

namespace vendora {

class GraphicSetTab;
class Prompter;
class ShopDatabase;
class TextBlocksEditor;

inline constexpr std::string_view kSaveDesignQuestion = "Möchten Sie die Änderungen im Dialog Darstellung speichern?";

// What a category page shows beside each product, as the layout tab's label says it.
inline constexpr std::string_view kShowsThumbnail = " Miniatur (Thumbnail) ";
inline constexpr std::string_view kShowsMoreInfo = " \"Mehr Info\" ";
inline constexpr std::string_view kShowsNothing = " (nichts) ";

// The thumbnail quality chooser's entries; Interfaces.Quality 2 and above is "Hoch".
inline constexpr std::array<std::string_view, 3> kQualityChoices = {"Niedrig", "Mittel", "Hoch"};

// The controls of an arrangement group (categories, product lines) that depend on the
// chooser. The stored field is the chooser's entry: 0 horizontal, 1 vertical, so
// CatHorizontal set means *vertical*.
struct ArrangementControls {
  bool wrapShown = false;      // free wrap, wrap after a number, its count edit and spin
  bool verticalShown = false;  // description under the button, dividers
};

struct LayoutControls {
  bool fontsEnabled = false;            // both font choosers, their labels, both sample buttons
  bool menuTopHomePageEnabled = false;  // "no top menu on the storefront"
  bool indexOptionsEnabled = false;     // IndexFirst and IndexSort
  ArrangementControls categories, lines;
  std::string_view thumbnailLabel;  // one of kShowsThumbnail, kShowsMoreInfo, kShowsNothing
};

// The dependencies for the values the controls show; the values themselves (font
// names, wrap counts) are kept whatever is greyed or hidden.
LayoutControls LayoutDependencies(const InterfacesRow& row);

// The quality chooser's entry for a stored Interfaces.Quality (0 to 2).
int QualityChoice(int32_t quality);

// Asks 20095 (Yes/No, question icon, No preselected); on Yes deletes every file
// <id>.* in thumbFolder of every product and returns true. The products are read
// before any file goes, so a DbError (passed on) leaves every thumbnail in place.
bool DiscardAllThumbnails(ShopDatabase& db, const std::filesystem::path& thumbFolder, Prompter& prompter);

// The layout tab: the Interfaces row as the page shows it, and its changed flag.
// The row's GSet is the graphic-set tab's to store; saving here leaves it as stored.
class LayoutTab {
 public:
  // Reads the row (a fresh row's defaults while the table is empty). DbError passes on.
  explicit LayoutTab(ShopDatabase& db);

  const InterfacesRow& Row() const { return row_; }
  LayoutControls Controls() const { return LayoutDependencies(row_); }
  bool IsChanged() const { return changed_; }

  // A layout control changed: takes every field of `edited` but the key, GSet and
  // Quality (see ChangeQuality), raising the flag when any of them differs.
  void Change(const InterfacesRow& edited);

  // The quality chooser now shows `choice`. The same entry as the row's does nothing;
  // another asks DiscardAllThumbnails: Yes takes the choice and raises the flag, No
  // keeps the row (the chooser goes back to QualityChoice(Row().Quality)). True when
  // the choice was taken. A database error is shown and nothing changes.
  bool ChangeQuality(int choice, const std::filesystem::path& thumbFolder, Prompter& prompter);

  // Writes the row when changed, in one transaction, and clears the flag. A database
  // error is shown through the prompter; the flag and the row stay, false.
  bool Save(Prompter& prompter);
  // Reads the row again and clears the flag. DbError passes on.
  void Discard();

 private:
  ShopDatabase& db_;
  InterfacesRow row_;
  bool changed_ = false;
};

// Leaving the page (another page, another shop, the end of the program). A modified
// graphic set asks 20020 first (Cancel stays); then, when the layout or text tab is
// changed, kSaveDesignQuestion (Yes/No/Cancel): Yes saves both tabs (a failed save
// stays on the page), No discards both (the database keeps what it had), Cancel stays.
// Nothing changed: no question. True when the page may be left.
bool ConfirmLeaveDesign(LayoutTab& layout, TextBlocksEditor& texts, GraphicSetTab& sets, Prompter& prompter);

}  // namespace vendora
