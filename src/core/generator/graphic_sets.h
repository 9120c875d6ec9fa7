#pragma once
// Graphic sets: folders below "GraphicSets" in the program folder, each with a
// "Settings" file naming twelve pictures, six colours, four placeholder pictures and
// a read-only mark; the colour file data/color.cnf of a generated shop; and the set
// management of the design page (list, choose, duplicate, rename, delete, create).
//
// Nothing here shows a dialog of its own: questions and messages go through the
// Prompter with the program's numbered texts, names come from the caller.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vendora {

struct RunContext;
class Prompter;

// Kind bits of an element: bit 0 image, bit 1 colour, bit 7 placeholder, bits 6 and 7
// the read-only flag. Rows with bit 6 or 7 set stay out of the colour file.
inline constexpr uint8_t kElementImage = 0x01;
inline constexpr uint8_t kElementColour = 0x02;
inline constexpr uint8_t kElementPlaceholder = 0x81;  // an image that is only a stand-in
inline constexpr uint8_t kElementFlag = 0xC0;

struct GraphicSetElement {
  std::string_view settingsKey;
  uint8_t kind;
  std::string_view defaultStem;  // pictures copied into a set are named stem + own extension
  std::string_view colorFileKey;  // empty: not in the colour file
  std::string_view label;         // design page: group TAB item
};

inline constexpr size_t kGraphicSetElementCount = 23;
// Rows in the order of the Settings file and of the colour file.
enum GraphicSetRow : int {
  kGsBackground, kGsDividerBar, kGsBtnFind, kGsBtnMoreInfo, kGsBtnBuy, kGsBtnBack, kGsBtnHome, kGsBtnIndex,
  kGsBtnOrder, kGsBtnSearch, kGsBtnShopCart, kGsBtnStore,
  kGsBgColor, kGsText, kGsHText, kGsLink, kGsALink, kGsVLink,
  kGsBlankLogo, kGsBlankCat, kGsBlankHeader, kGsBlankMenu,
  kGsReadOnly,
};
inline constexpr int kGsFirstColour = kGsBgColor;
inline constexpr int kGsColorFileRows = 18;  // rows 0..17

extern const std::array<GraphicSetElement, kGraphicSetElementCount> kGraphicSetElements;

inline bool IsPictureRow(int row) { return (kGraphicSetElements[row].kind & kElementImage) != 0; }
inline bool IsColourRow(int row) { return (kGraphicSetElements[row].kind & kElementColour) != 0; }

// A colour as Windows keeps it: red in the low byte, then green, then blue.
inline constexpr int32_t RgbColour(int r, int g, int b) { return r | (g << 8) | (b << 16); }
// The contrast ratio of two colours as the accessibility guidelines define it (1 to 21);
// text is well readable from 4.5.
double ContrastRatio(int32_t a, int32_t b);
// "#RRGGBB", "RRGGBB" or fewer digits padded on the right with "0" ("FFF" is FFF000);
// at most six digits are read, letter case ignored. -1 when invalid (no leading "#"
// and no hexadecimal first character, or a non-hexadecimal digit).
int32_t ParseColour(std::string_view text);
// "#%02X%02X%02X" from red, green and blue (-1 gives "#FFFFFF").
std::string FormatColour(int32_t colour);

// One set in memory. Picture names are relative to the set folder; a name picked by
// the merchant may be an absolute path until the set is written.
struct GraphicSet {
  std::string name;
  std::array<std::string, kGraphicSetElementCount> files;
  std::array<int32_t, kGraphicSetElementCount> colours{};
  bool readOnly = false;
  bool modified = false;

  void Reset();  // names empty, colours 0, not read-only, not modified (the name stays)
};

// <programFolder>/GraphicSets.
std::filesystem::path GraphicSetsFolder(const std::filesystem::path& programFolder);
// Where the sets that ship with the program lie: GraphicSets in DataFolder().
std::filesystem::path BuiltInGraphicSetsFolder();
// Copies every built-in set that the program folder lacks (completely or not at all),
// and restores the files of an existing built-in set that are missing or changed
// (they are read-only, so a difference is damage); other files in its folder stay.
// Returns the number of sets copied or repaired.
int InstallBuiltInGraphicSets(const std::filesystem::path& programFolder);

// Names of the subfolders of `setsFolder` that hold a "Settings" file, in list order.
std::vector<std::string> ListGraphicSets(const std::filesystem::path& setsFolder);

// Fills `set` from <setsFolder>/<name>/Settings. False when the file cannot be read.
// A picture name that is no plain file name inside the set folder (a path, "..", a
// control character) is left empty; its key and value go to `ignored` when given.
bool ReadGraphicSet(const std::filesystem::path& setsFolder, std::string_view name, GraphicSet& set,
                    std::vector<std::pair<std::string, std::string>>* ignored = nullptr);
// Writes <setsFolder>/<set.name>/Settings when the set is modified, first copying every
// picture to its element's default stem inside the set folder. Clears the modified
// flag. False when the Settings file cannot be written (the set stays modified).
bool WriteGraphicSet(const std::filesystem::path& setsFolder, GraphicSet& set);

// Step 3 of the generation (and the preview) run: reads the shop's set
// (Interfaces.GSet, "Senator" when empty) from the program folder, fills the run's
// graphic-set values and copies the twelve pictures into the shop's imgs folder.
// Logs 22162, and 22163 when the set cannot be read (the step fails).
bool ReadShopGraphicSetStep(RunContext& run);
// Step 16: writes data/color.cnf (loads the set again first).
bool WriteColorFileStep(RunContext& run);
// The same with the program folder given; the steps above install the built-in sets
// into ProgramFolder() and call these.
bool ReadShopGraphicSet(RunContext& run, const std::filesystem::path& programFolder);
bool WriteColorFile(RunContext& run, const std::filesystem::path& programFolder);

// Own wording for failures the numbered texts do not cover.
inline constexpr std::string_view kGraphicSetNameInvalid =
    "Der Name '%s' ist kein gültiger Name für einen Bildersatz. Er darf nicht leer sein, nicht "
    "mit einem Punkt beginnen und keines der Zeichen * < > | \\ / ? enthalten.";
inline constexpr std::string_view kGraphicSetUnreadable = "Der Bildersatz '%s' kann nicht gelesen werden.";
inline constexpr std::string_view kGraphicSetNotSaved = "Der Bildersatz '%s' konnte nicht gespeichert werden.";
inline constexpr std::string_view kGraphicSetReadOnly =
    "Der Bildersatz '%s' ist schreibgeschützt und kann weder überschrieben noch gelöscht werden.";
inline constexpr std::string_view kGraphicSetLowContrast =
    "Warnung: Im Bildersatz \"%s\" hebt sich die Farbe \"%s\" (%s) nur im Verhältnis %.1f:1 vom Hintergrund (%s) "
    "ab; gut lesbar ist ein Verhältnis ab 4.5:1.";
inline constexpr std::string_view kGraphicSetPictureIgnored =
    "Warnung: Der Bildersatz \"%s\" nennt für \"%s\" das Bild \"%s\", das kein einfacher Name in seinem Ordner "
    "ist (erlaubt sind Buchstaben, Ziffern, \".\", \"-\" und \"_\"); der Eintrag wird ignoriert.";

// Set names follow the rules of file names: not empty without surrounding blanks and
// none of * < > | \ / ?; nor may they start with "." (hidden folders, "." and "..").
bool IsValidGraphicSetName(std::string_view name);

// The graphic-set tab of the design page without its controls: the list of sets, the
// set shown, and what the buttons do. Every question and message goes through the
// prompter; each operation returns whether it changed something.
class GraphicSetLibrary {
 public:
  GraphicSetLibrary(std::filesystem::path programFolder, Prompter& prompter);

  const std::filesystem::path& SetsFolder() const { return root_; }

  // Reads the list from disk (opening the page); shows 20009 when there is no set.
  const std::vector<std::string>& Refresh();
  const std::vector<std::string>& Names() const { return names_; }

  // The set shown; its name is empty while none is chosen.
  const GraphicSet& Current() const { return current_; }
  bool HasCurrent() const { return !current_.name.empty(); }

  // Selects another set after ResolveChanges. False on Cancel or when it cannot be read.
  bool Choose(std::string_view name);
  // Before another set is chosen or the page is left: a modified set asks 20020 (Yes
  // saves, No discards and reads the set again, Cancel returns false).
  bool ResolveChanges();
  // Writes the current set when modified.
  bool Save();

  // Edits of the current set; refused for a read-only set. An empty path removes the
  // picture; `file` may lie anywhere, writing the set copies it in.
  bool SetPicture(int row, const std::filesystem::path& file);
  bool SetColour(int row, int32_t colour);

  // A copy of the current set as shown (with unsaved edits) under a new name, not
  // read-only, then chosen. An existing set of that name asks 20016 first; a
  // read-only one is never overwritten (kGraphicSetReadOnly).
  bool Duplicate(std::string_view typedName);
  // Renames the current set's folder (20017 on failure); a name differing only in
  // letter case does nothing.
  bool Rename(std::string_view typedName);
  // Deletes the current set after 20018 (a read-only set is refused with
  // kGraphicSetReadOnly; 20019 on failure), then chooses the first set.
  bool Delete();
  // A new set without pictures (white background, black text), then chosen.
  bool CreateEmpty(std::string_view typedName);

 private:
  bool CheckName(std::string_view typedName, std::string& name);
  bool PrepareFolder(const std::string& name);
  void Select(GraphicSet set);
  // Writes a new set (shows the failure message) and makes it the current one.
  bool SaveAndSelect(GraphicSet set);

  std::filesystem::path root_;
  Prompter& prompter_;
  std::vector<std::string> names_;
  GraphicSet current_;
};

}  // namespace vendora
