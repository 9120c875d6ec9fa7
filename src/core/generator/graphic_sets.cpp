#include "generator/graphic_sets.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "app/program_folder.h"
#include "common/file_compare.h"
#include "common/file_name.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "common/output_file.h"
#include "generator/perl_literal.h"
#include "generator/run_context.h"
#include "imaging/image_refs.h"

namespace vendora {

namespace fs = std::filesystem;

const std::array<GraphicSetElement, kGraphicSetElementCount> kGraphicSetElements = {{
    {"Background", kElementImage, "bg", "ImgBg", "Bild\tHintergrund"},
    {"DividerBar", kElementImage, "div", "ImgDiv", "Bild\tTrenner"},
    {"BtnFind", kElementImage, "b-find", "ImgFind", "Bild\tSuchtaste"},
    {"BtnMoreInfo", kElementImage, "b-view", "ImgInfo", "Bild\tMehrInfoTaste"},
    {"BtnBuy", kElementImage, "b-buy", "MeBuBuy", "MenüTaste\tJetztKaufen"},
    {"BtnBack", kElementImage, "b-back", "MeBuBack", "MenüTaste\tZurück"},
    {"BtnHome", kElementImage, "b-home", "MeBuHome", "MenüTaste\tHome"},
    {"BtnIndex", kElementImage, "b-index", "MeBuIdx", "Menu Button\tIndex"},
    {"BtnOrder", kElementImage, "b-order", "MeBuOrder", "MenüTaste\tBestellung"},
    {"BtnSearch", kElementImage, "b-search", "MeBuSearch", "MenüTaste\tSuchen"},
    {"BtnShopCart", kElementImage, "b-shop", "MeBuCart", "MenüTaste\tWarenkorb"},
    {"BtnStore", kElementImage, "b-store", "MeBuFront", "MenüTaste\tShopEingang"},
    {"BgColor", kElementColour, "", "CoBg", "Farbe\tHintergrund"},
    {"Text", kElementColour, "", "CoNTxt", "Farbe\tNormaler Text"},
    {"HText", kElementColour, "", "CoHTxt", "Farbe\tÜberschrift"},
    {"Link", kElementColour, "", "CoNLnk", "Farbe\tNormaler Link"},
    {"ALink", kElementColour, "", "CoALnk", "Farbe\tAktiver Link"},
    {"VLink", kElementColour, "", "CoVLnk", "Farbe\tBesuchter Link"},
    {"BlankLogo", kElementPlaceholder, "bl-logo", "", "Bild\tLeeres Logo"},
    {"BlankCat", kElementPlaceholder, "bl-cat", "", "Bild\tLeere Kat."},
    {"BlankHeader", kElementPlaceholder, "bl-head", "", "Bild\tLeeres Kopfbild"},
    {"BlankMenu", kElementPlaceholder, "bl-menu", "", "Bild\tLeeres Menü"},
    {"ReadOnly", kElementFlag, "", "", "Flagge\tNur Lesen"},
}};

namespace {

constexpr std::string_view kSettingsFile = "Settings";
constexpr std::string_view kDefaultSetName = "Senator";
constexpr size_t kMaxFileName = 259;
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Copies over the target with a fresh time and write permission, as a picture copied
// into a set or a shop must look new to the upload. Copying a file onto itself is a
// success without work.
bool CopyStamped(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  if (fs::equivalent(source, target, ec)) return true;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  fs::last_write_time(target, fs::file_time_type::clock::now(), ec);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  return true;
}

// The name a set's picture gets inside the set: the element's stem and the file's own extension.
std::string StemName(int row, const std::string& file) {
  return std::string(kGraphicSetElements[row].defaultStem) + fs::path(file).extension().string();
}

// A set's picture names travel into color.cnf and into page addresses: only letters,
// digits, ".", "-" and "_", and no leading dot (never "." or "..").
bool IsSafePictureName(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
  });
}

// The shop's imgs folder keeps the set's pictures in lower case, the form in which
// image references name them, so that a case-sensitive web server finds them.
std::string ImgsName(const std::string& file) { return Lower(fs::path(file).filename().string()); }

}  // namespace

int32_t ParseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    text.remove_prefix(1);
  } else if (text.empty() || HexValue(text.front()) < 0) {
    return -1;
  }
  std::string digits(text.substr(0, 6));
  digits.resize(6, '0');
  int v[6];
  for (int i = 0; i < 6; ++i)
    if ((v[i] = HexValue(digits[i])) < 0) return -1;
  return RgbColour(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

double ContrastRatio(int32_t a, int32_t b) {
  auto luminance = [](int32_t colour) {
    const auto c = static_cast<uint32_t>(colour);
    auto channel = [](uint32_t v) {
      const double s = v / 255.0;
      return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string FormatColour(int32_t colour) {
  const auto c = static_cast<uint32_t>(colour);
  return Format("#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void GraphicSet::Reset() {
  for (auto& f : files) f.clear();
  colours.fill(0);
  readOnly = false;
  modified = false;
}

fs::path GraphicSetsFolder(const fs::path& programFolder) { return programFolder / "GraphicSets"; }

fs::path BuiltInGraphicSetsFolder() { return DataFolder() / "GraphicSets"; }

std::vector<std::string> ListGraphicSets(const fs::path& setsFolder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(setsFolder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // Hidden folders are never sets (an interrupted installation leaves one behind).
    if (name.empty() || name.front() == '.') continue;
    if (it->is_directory(ec) && IsRegularFile(it->path() / kSettingsFile)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareForSort(a, b) < 0; });
  return names;
}

namespace {

// Copies every file of the installed set that the existing folder lacks or holds
// changed. The built-in sets are read-only, so any difference is damage.
bool RepairSet(const fs::path& source, const fs::path& target) {
  bool repaired = false;
  std::error_code ec;
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path file = target / it->path().filename();
    if (SameFileContent(it->path(), file)) continue;
    std::error_code removed;
    // Copying onto a link would write wherever it points.
    if (fs::is_symlink(file, removed)) fs::remove(file, removed);
    repaired = CopyStamped(it->path(), file) || repaired;
  }
  return repaired;
}

}  // namespace

int InstallBuiltInGraphicSets(const fs::path& programFolder) {
  const fs::path source = BuiltInGraphicSetsFolder();
  const fs::path root = GraphicSetsFolder(programFolder);
  int installed = 0;
  for (const std::string& name : ListGraphicSets(source)) {
    std::error_code ec;
    const fs::path target = root / name;
    if (fs::is_directory(fs::symlink_status(target, ec))) {
      if (RepairSet(source / name, target)) ++installed;
      continue;
    }
    if (fs::exists(fs::symlink_status(target, ec))) continue;  // a file of that name is not ours to replace
    // Copied under a hidden name and renamed at the end, so that a set is either
    // complete or absent and a failed attempt is repeated on the next start.
    const fs::path temporary = root / ("." + name + ".install");
    fs::remove_all(temporary, ec);
    fs::create_directories(temporary, ec);
    bool ok = !ec;
    for (fs::directory_iterator it(source / name, ec), end; ok && !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      ok = CopyStamped(it->path(), temporary / it->path().filename());
    }
    if (ok && !ec) fs::rename(temporary, target, ec);
    if (!ok || ec) {
      fs::remove_all(temporary, ec);
      continue;
    }
    ++installed;
  }
  return installed;
}

bool ReadGraphicSet(const fs::path& setsFolder, std::string_view name, GraphicSet& set,
                    std::vector<std::pair<std::string, std::string>>* ignored) {
  set.name = std::string(name);
  set.Reset();
  const fs::path file = setsFolder / set.name / kSettingsFile;
  if (!IsRegularFile(file)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const size_t keyEnd = line.find_first_of(kWhiteSpace);
    if (keyEnd == 0 || keyEnd == std::string::npos) continue;
    const size_t valueStart = line.find_first_not_of(kWhiteSpace, keyEnd);
    if (valueStart == std::string::npos) continue;
    const std::string_view key(line.data(), keyEnd);
    std::string_view value(line);
    value = value.substr(valueStart, value.find_last_not_of(kWhiteSpace) + 1 - valueStart);
    for (size_t row = 0; row < kGraphicSetElementCount; ++row) {
      if (kGraphicSetElements[row].settingsKey != key) continue;
      const uint8_t kind = kGraphicSetElements[row].kind;
      if (kind == kElementFlag)
        set.readOnly = value.front() == 'y' || value.front() == 'Y';
      else if ((kind & kElementImage) && value.size() <= kMaxFileName && IsSafePictureName(value))
        set.files[row] = std::string(value);
      else if ((kind & kElementImage) && ignored)
        ignored->emplace_back(key, value);
      else if (kind & kElementColour)
        set.colours[row] = ParseColour(value);
      break;
    }
  }
  return true;
}

bool WriteGraphicSet(const fs::path& setsFolder, GraphicSet& set) {
  if (!set.modified) return true;
  const fs::path folder = setsFolder / set.name;
  for (int row = 0; row < static_cast<int>(kGraphicSetElementCount); ++row) {
    if (!IsPictureRow(row) || set.files[row].empty()) continue;
    const std::string target = StemName(row, set.files[row]);
    // A picture that cannot be copied keeps its old name rather than naming a missing file.
    if (!EqualsNoCase(target, set.files[row]) && CopyStamped(folder / set.files[row], folder / target))
      set.files[row] = target;
  }
  // The Settings file is the set's own format and keeps CR LF line ends.
  std::string text;
  for (size_t row = 0; row < kGraphicSetElementCount; ++row) {
    const GraphicSetElement& e = kGraphicSetElements[row];
    text += e.settingsKey;
    text += '\t';
    if (e.kind == kElementFlag)
      text += set.readOnly ? "Yes" : "No";
    else if (e.kind & kElementColour)
      text += FormatColour(set.colours[row]);
    else
      text += set.files[row];
    text += "\r\n";
  }
  std::ofstream out(folder / kSettingsFile, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return false;
  set.modified = false;
  return true;
}

bool IsValidGraphicSetName(std::string_view name) {
  const std::string_view t = Trim(name);
  return !t.empty() && t.front() != '.' && t.find_first_of("*<>|\\/?") == std::string_view::npos;
}

// --- the run ---------------------------------------------------------------------

namespace {

std::string ShopSetName(const RunContext& run) {
  const std::string_view name = Trim(run.snapshot.interfaces.GSet);
  return std::string(name.empty() ? kDefaultSetName : name);
}

// Reads the shop's set, fills the run's graphic-set values and copies the twelve
// pictures into imgs. Logs 22162, and 22163 on failure.
bool LoadShopSet(RunContext& run, const fs::path& programFolder, GraphicSet& set, fs::path& setFolder) {
  const std::string name = ShopSetName(run);
  run.log.LogFormat(text::kReadingGraphicSet, name);
  const fs::path root = GraphicSetsFolder(programFolder);
  // A name that is no plain folder name would lead outside the sets folder.
  std::vector<std::pair<std::string, std::string>> ignored;
  if (!IsValidGraphicSetName(name) || !ReadGraphicSet(root, name, set, &ignored)) {
    run.log.LogFormat(text::kGraphicSetUnreadable, name);
    return false;
  }
  for (const auto& [key, value] : ignored) run.log.Log(Format(kGraphicSetPictureIgnored, name, key, value));
  setFolder = root / name;

  auto& v = run.settings.graphicSet;
  v.background = FormatColour(set.colours[kGsBgColor]);
  v.text = FormatColour(set.colours[kGsText]);
  v.heading = FormatColour(set.colours[kGsHText]);
  v.link = FormatColour(set.colours[kGsLink]);
  v.activeLink = FormatColour(set.colours[kGsALink]);
  v.visitedLink = FormatColour(set.colours[kGsVLink]);
  auto picture = [&](int row) { return set.files[row].empty() ? std::string() : ImgsName(set.files[row]); };
  v.backgroundPicture = picture(kGsBackground);
  v.divider = picture(kGsDividerBar);
  v.find = picture(kGsBtnFind);
  v.moreInfo = picture(kGsBtnMoreInfo);
  v.buy = picture(kGsBtnBuy);
  v.back = picture(kGsBtnBack);
  v.home = picture(kGsBtnHome);
  v.index = picture(kGsBtnIndex);
  v.order = picture(kGsBtnOrder);
  v.search = picture(kGsBtnSearch);
  v.cart = picture(kGsBtnShopCart);
  v.front = picture(kGsBtnStore);

  // This step runs before the shop folders are made; the copies need imgs already.
  const fs::path imgs = run.Folder(ShopSubfolder::Imgs);
  std::error_code ec;
  fs::create_directories(imgs, ec);
  for (int row = 0; row < kGsFirstColour; ++row)
    if (!set.files[row].empty()) CopyStamped(setFolder / set.files[row], imgs / ImgsName(set.files[row]));
  return true;
}

}  // namespace

bool ReadShopGraphicSet(RunContext& run, const fs::path& programFolder) {
  GraphicSet set;
  fs::path setFolder;
  if (!LoadShopSet(run, programFolder, set, setFolder)) return false;
  run.log.Step();
  return true;
}

bool WriteColorFile(RunContext& run, const fs::path& programFolder) {
  GraphicSet set;
  fs::path setFolder;
  if (!LoadShopSet(run, programFolder, set, setFolder)) return false;
  run.log.LogText(text::kCreatingColorFile);
  OutputFile out;
  if (!CreateGeneratedFile(out, run.Folder(ShopSubfolder::Data) / "color.cnf", "data/color.cnf", run.log,
                           &run.prompter))
    return false;

  const fs::path imgs = run.Folder(ShopSubfolder::Imgs);
  const bool textOnly = run.settings.textOnly;
  for (int row = 0; row < kGsColorFileRows; ++row) {
    std::string value;
    if (IsColourRow(row)) {
      value = PerlQ(FormatColour(set.colours[row]));
    } else if (set.files[row].empty()) {
      value = PerlDoubleQuoted("");
    } else {
      const std::string name = ImgsName(set.files[row]);
      CopyStamped(setFolder / set.files[row], imgs / name);
      // A picture missing from imgs cannot be sent; it stays off both lists.
      const bool present = IsRegularFile(imgs / name);
      if (textOnly) {
        value = PerlDoubleQuoted("");
        if (present) run.files.AddUnused(ShopSubfolder::Imgs, name);
      } else {
        // The storefront puts the background into the body tag, which takes no size.
        value = PerlDoubleQuoted(row == kGsBackground ? name : FindNamedImageRef(imgs, name));
        if (present) run.files.AddPublish(ShopSubfolder::Imgs, name);
      }
    }
    out.Write(Format("$graphicSet{'%s'}\t= %s;\n", kGraphicSetElements[row].colorFileKey, value));
  }
  out.Write("\n1;\n");
  if (!FinishGeneratedFile(out, "data/color.cnf", run.log)) return false;
  run.log.LogText(text::kColorFileCreated);
  // Text the customer cannot read is a fault of the set, not of the shop: a warning.
  for (const auto& [row, name] : {std::pair{kGsText, "Normaler Text"}, std::pair{kGsHText, "Überschrift"},
                                  std::pair{kGsLink, "Normaler Link"}}) {
    const double ratio = ContrastRatio(set.colours[row], set.colours[kGsBgColor]);
    if (ratio < 4.5)
      run.log.Log(Format(kGraphicSetLowContrast, set.name, name, FormatColour(set.colours[row]), ratio,
                         FormatColour(set.colours[kGsBgColor])));
  }
  run.files.AddPublish(ShopSubfolder::Data, "color.cnf");
  run.log.Step();
  return true;
}

bool ReadShopGraphicSetStep(RunContext& run) {
  InstallBuiltInGraphicSets(run.programFolder);
  return ReadShopGraphicSet(run, run.programFolder);
}

bool WriteColorFileStep(RunContext& run) {
  InstallBuiltInGraphicSets(run.programFolder);
  return WriteColorFile(run, run.programFolder);
}

// --- the design page -------------------------------------------------------------

GraphicSetLibrary::GraphicSetLibrary(fs::path programFolder, Prompter& prompter)
    : root_(GraphicSetsFolder(programFolder)), prompter_(prompter) {}

const std::vector<std::string>& GraphicSetLibrary::Refresh() {
  names_ = ListGraphicSets(root_);
  if (names_.empty()) prompter_.Show(std::string(ProgramText(text::kNoGraphicSets)), MessageIcon::Information);
  return names_;
}

void GraphicSetLibrary::Select(GraphicSet set) {
  current_ = std::move(set);
  names_ = ListGraphicSets(root_);
}

bool GraphicSetLibrary::Choose(std::string_view name) {
  if (HasCurrent() && current_.name == name) return true;
  if (!ResolveChanges()) return false;
  GraphicSet set;
  if (!ReadGraphicSet(root_, name, set)) {
    prompter_.Show(Format(kGraphicSetUnreadable, name), MessageIcon::Stop);
    return false;
  }
  current_ = std::move(set);
  return true;
}

bool GraphicSetLibrary::ResolveChanges() {
  if (!HasCurrent() || !current_.modified) return true;
  switch (prompter_.AskYesNoCancel(std::string(ProgramText(text::kSaveGraphicSetChanges)), Answer::Yes)) {
    case Answer::Yes: return Save();
    case Answer::No: {
      GraphicSet stored;
      if (ReadGraphicSet(root_, current_.name, stored)) current_ = std::move(stored);
      current_.modified = false;
      return true;
    }
    default: return false;
  }
}

bool GraphicSetLibrary::Save() {
  if (!HasCurrent() || !current_.modified) return true;
  if (WriteGraphicSet(root_, current_)) return true;
  prompter_.Show(Format(kGraphicSetNotSaved, current_.name), MessageIcon::Stop);
  return false;
}

bool GraphicSetLibrary::SaveAndSelect(GraphicSet set) {
  set.modified = true;
  if (!WriteGraphicSet(root_, set)) {
    prompter_.Show(Format(kGraphicSetNotSaved, set.name), MessageIcon::Stop);
    return false;
  }
  Select(std::move(set));
  return true;
}

bool GraphicSetLibrary::SetPicture(int row, const fs::path& file) {
  if (!HasCurrent() || current_.readOnly || row < 0 || row >= kGsReadOnly || !IsPictureRow(row)) return false;
  // Saving renames the picture to its stem and extension, which must be a safe name.
  if (!IsSafePictureName(StemName(row, file.string()))) return false;
  current_.files[row] = file.string();
  current_.modified = true;
  return true;
}

bool GraphicSetLibrary::SetColour(int row, int32_t colour) {
  if (!HasCurrent() || current_.readOnly || row < 0 || row >= kGsReadOnly || !IsColourRow(row) || colour < 0)
    return false;
  current_.colours[row] = colour;
  current_.modified = true;
  return true;
}

bool GraphicSetLibrary::CheckName(std::string_view typedName, std::string& name) {
  if (!IsValidGraphicSetName(typedName)) {
    prompter_.Show(Format(kGraphicSetNameInvalid, typedName), MessageIcon::Warning);
    return false;
  }
  name = std::string(Trim(typedName));
  return true;
}

bool GraphicSetLibrary::PrepareFolder(const std::string& name) {
  const fs::path folder = root_ / name;
  std::error_code ec;
  if (fs::is_directory(folder, ec)) {
    // A read-only set (a built-in one above all) is never overwritten, as it is never deleted.
    GraphicSet existing;
    if (ReadGraphicSet(root_, name, existing) && existing.readOnly) {
      prompter_.Show(Format(kGraphicSetReadOnly, name), MessageIcon::Stop);
      return false;
    }
    if (prompter_.AskYesNo(FormatProgramText(text::kOverwriteGraphicSet, name), Answer::No) != Answer::Yes)
      return false;
  }
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    prompter_.Show(FormatProgramText(text::kCreateFolderFailed, folder.string()), MessageIcon::Stop);
    return false;
  }
  return true;
}

bool GraphicSetLibrary::Duplicate(std::string_view typedName) {
  std::string name;
  if (!HasCurrent() || !CheckName(typedName, name) || !PrepareFolder(name)) return false;
  const fs::path from = root_ / current_.name, to = root_ / name;
  GraphicSet copy;
  copy.name = name;
  copy.Reset();
  copy.colours = current_.colours;
  for (int row = 0; row < static_cast<int>(kGraphicSetElementCount); ++row) {
    if (!IsPictureRow(row) || current_.files[row].empty()) continue;
    const std::string target = StemName(row, current_.files[row]);
    if (CopyStamped(from / current_.files[row], to / target)) copy.files[row] = target;
  }
  return SaveAndSelect(std::move(copy));
}

bool GraphicSetLibrary::Rename(std::string_view typedName) {
  std::string name;
  if (!HasCurrent() || !CheckName(typedName, name) || EqualsNoCase(name, current_.name)) return false;
  // The set is read again under its new name: unsaved edits are settled first.
  if (!ResolveChanges()) return false;
  const fs::path from = root_ / current_.name, to = root_ / name;
  std::error_code ec;
  // rename() would replace an empty folder of that name; a set never takes over another folder.
  if (fs::exists(fs::symlink_status(to, ec)) || (fs::rename(from, to, ec), ec)) {
    prompter_.Show(FormatProgramText(text::kGraphicSetNotRenamed, current_.name, name), MessageIcon::Information);
    return false;
  }
  GraphicSet renamed;
  if (!ReadGraphicSet(root_, name, renamed)) renamed = current_;
  renamed.name = name;
  Select(std::move(renamed));
  return true;
}

bool GraphicSetLibrary::Delete() {
  if (!HasCurrent()) return false;
  if (current_.readOnly) {
    prompter_.Show(Format(kGraphicSetReadOnly, current_.name), MessageIcon::Stop);
    return false;
  }
  if (prompter_.AskYesNo(FormatProgramText(text::kDeleteGraphicSet, current_.name), Answer::No) != Answer::Yes)
    return false;
  const fs::path folder = root_ / current_.name;
  std::error_code failure, ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (!it->is_directory(ec)) files.push_back(it->path());
  if (ec) failure = ec;
  for (const fs::path& file : files)
    if (!fs::remove(file, ec) && ec && !failure) failure = ec;
  if (!fs::remove(folder, ec) && !failure) failure = ec ? ec : std::make_error_code(std::errc::io_error);
  if (failure) prompter_.Show(FormatProgramText(text::kGraphicSetNotDeleted, failure.value()), MessageIcon::Stop);

  current_ = GraphicSet();
  names_ = ListGraphicSets(root_);
  if (!names_.empty()) ReadGraphicSet(root_, names_.front(), current_);
  return !failure;
}

bool GraphicSetLibrary::CreateEmpty(std::string_view typedName) {
  std::string name;
  if (!CheckName(typedName, name) || !ResolveChanges() || !PrepareFolder(name)) return false;
  GraphicSet set;
  set.name = name;
  set.colours[kGsBgColor] = RgbColour(0xFF, 0xFF, 0xFF);
  set.colours[kGsText] = RgbColour(0, 0, 0);
  set.colours[kGsHText] = RgbColour(0, 0, 0);
  set.colours[kGsLink] = RgbColour(0, 0, 0xFF);
  set.colours[kGsALink] = RgbColour(0xFF, 0, 0);
  set.colours[kGsVLink] = RgbColour(0x80, 0, 0x80);
  return SaveAndSelect(std::move(set));
}

}  // namespace vendora
