#pragma once
// The design page's graphic-set tab: the set management of generator/graphic_sets
// (GraphicSetLibrary) tied to the shop, whose Interfaces.GSet names the set it uses,
// and what the tab's buttons may do for the set shown.
//
// The set shown is the shop's set: choosing one stores its name at once, in its own
// transaction, rather than with the layout tab's save, because the set tab's own save
// button is about the set's files and a choice waiting for another tab's button would
// be lost unnoticed. A database error is shown through the prompter; the set is shown
// all the same and the shop keeps the name it had.
//
// Threading: one thread, the one that owns the database.
#include <filesystem>
#include <string>
#include <string_view>

#include "generator/graphic_sets.h"

namespace vendora {

class Prompter;
class ShopDatabase;

// Which of the tab's controls are enabled. A read-only set (the built-in ones above
// all) cannot be changed, renamed or deleted, only copied.
struct GraphicSetControls {
  bool editElements = false;  // choosing pictures and colours
  bool save = false;          // the set has unsaved edits
  bool rename = false;
  bool remove = false;
  bool duplicate = false;
  bool create = true;
};

class GraphicSetTab {
 public:
  GraphicSetTab(ShopDatabase& db, const std::filesystem::path& programFolder, Prompter& prompter);

  // Opening the page: lists the sets (20009 when there is none) and shows the shop's
  // set (Interfaces.GSet, "Senator" when empty). When that set is missing, the first
  // set is shown, and nothing is stored until the merchant chooses. DbError passes on.
  void Open();

  // The set shown, its edits (SetPicture, SetColour) and Save are the library's.
  GraphicSetLibrary& Library() { return library_; }
  const GraphicSetLibrary& Library() const { return library_; }
  // The set the shop uses, as stored.
  const std::string& ShopSet() const { return shopSet_; }
  GraphicSetControls Controls() const;

  // The library's operations; each that leaves another set shown makes it the shop's.
  // Rename and Delete move the shop along only when they concern the shop's set.
  bool Choose(std::string_view name);
  bool Duplicate(std::string_view typedName);
  bool Rename(std::string_view typedName);
  bool Delete();
  bool CreateEmpty(std::string_view typedName);
  // Unsaved edits of the set shown: 20020 (see GraphicSetLibrary::ResolveChanges).
  bool ResolveChanges() { return library_.ResolveChanges(); }

 private:
  // Stores the shown set as the shop's; false (after showing why) when it could not.
  bool StoreShown();

  ShopDatabase& db_;
  Prompter& prompter_;
  GraphicSetLibrary library_;
  std::string shopSet_;
};

}  // namespace vendora
