#include "generator/graphic_sets.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "generator/generation.h"
#include "imaging/image_refs.h"
#include "shopdb/default_rows.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
const fs::path kFixtures = VENDORA_FIXTURES;

void CopyFixture(const std::string& fixture, const fs::path& target) {
  fs::create_directories(target.parent_path());
  fs::copy_file(kFixtures / fixture, target, fs::copy_options::overwrite_existing);
}

// A set named `name` below root with its pictures: a GIF of 3x5, a PNG of 21x10 (one
// in upper case), a picture that cannot be read and a name without a file.
void MakeSet(const fs::path& root, const std::string& name, bool readOnly) {
  const fs::path set = root / name;
  CopyFixture("gif/three_by_five.gif", set / "Hintergrund.gif");
  CopyFixture("png/palette.png", set / "Teiler.PNG");
  CopyFixture("png/palette.png", set / "b-buy.png");
  CopyFixture("gif/three_by_five.gif", set / "bl-logo.gif");
  test::WriteFileBytes(set / "kaputt.gif", "kein Bild");
  test::WriteFileBytes(set / "Settings",
                       "Background\tHintergrund.gif\r\nDividerBar   Teiler.PNG \r\nBtnFind\t\r\nBtnMoreInfo\tkaputt.gif\r\n"
                       "BtnBuy\tb-buy.png\r\nBtnBack\tfehlt.gif\r\nBgColor\t#fff\r\nText\t000000\r\nHText\t#8B0000\r\n"
                       "Link\tabc\r\nALink\tzz\r\nVLink\t#1a2b3c\r\nBlankLogo\tbl-logo.gif\r\nReadOnly\t" +
                           std::string(readOnly ? "yes" : "No") + "\r\n");
}

TEST(GraphicSetColour, ParsesWithPaddingAndFormatsUpperCase) {
  EXPECT_EQ(ParseColour("#fff"), RgbColour(255, 240, 0));
  EXPECT_EQ(FormatColour(ParseColour("#fff")), "#FFF000");
  EXPECT_EQ(ParseColour("1a2B3c"), RgbColour(0x1A, 0x2B, 0x3C));
  EXPECT_EQ(ParseColour("#1234567"), RgbColour(0x12, 0x34, 0x56)) << "only six digits are read";
  EXPECT_EQ(ParseColour("#"), 0);
  for (const char* bad : {"", "xyz", " 123456", "#12G", "12345-"}) EXPECT_EQ(ParseColour(bad), -1) << bad;
  EXPECT_EQ(RgbColour(1, 2, 3) & 0xFF, 1) << "red in the low byte";
  EXPECT_EQ(FormatColour(RgbColour(1, 2, 3)), "#010203");
  // Contrast as the accessibility guidelines compute it.
  EXPECT_NEAR(ContrastRatio(RgbColour(0, 0, 0), RgbColour(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(RgbColour(0x77, 0x77, 0x77), RgbColour(255, 255, 255)), 4.478, 1e-3);
  EXPECT_NEAR(ContrastRatio(RgbColour(255, 255, 255), RgbColour(0x77, 0x77, 0x77)), 4.478, 1e-3);
  EXPECT_NEAR(ContrastRatio(RgbColour(0x8B, 0, 0), RgbColour(0xFF, 0xF0, 0)), 8.445, 1e-3) << "channels weigh differently";
}

TEST(GraphicSetFile, ReadsSettingsSkippingGarbageAndListsOnlyFoldersWithSettings) {
  test::TempDir dir;
  MakeSet(dir.path(), "Eigen", true);
  test::WriteFileBytes(dir / "Eigen" / "Settings",
                       test::ReadFileBytes(dir / "Eigen" / "Settings") +
                           "  BtnHome\thome.gif\r\nNurSchluessel\r\nbtnindex\tidx.gif\r\nUnbekannt x\r\n"
                           "BtnOrder  mit  Leerzeichen.gif\r\n\r\nBtnSearch " + std::string(300, 'x') + "\r\n" +
                           "BtnShopCart\t../../geheim.txt\r\nBtnStore\t/etc/passwd\r\nBlankCat\tsub\\x.gif\r\n"
                           "BlankHeader\t..\r\nBlankMenu\tz\x01.gif\r\n");
  GraphicSet set;
  std::vector<std::pair<std::string, std::string>> ignored;
  ASSERT_TRUE(ReadGraphicSet(dir.path(), "Eigen", set, &ignored));
  // Pictures are names of letters, digits, ".", "-" and "_" inside the set's folder, of
  // at most 259 characters; anything else is left out.
  for (int row : {kGsBtnOrder, kGsBtnSearch, kGsBtnShopCart, kGsBtnStore, kGsBlankCat, kGsBlankHeader, kGsBlankMenu})
    EXPECT_EQ(set.files[row], "") << row;
  EXPECT_EQ(ignored, (std::vector<std::pair<std::string, std::string>>{{"BtnOrder", "mit  Leerzeichen.gif"},
                                                                       {"BtnSearch", std::string(300, 'x')},
                                                                       {"BtnShopCart", "../../geheim.txt"},
                                                                       {"BtnStore", "/etc/passwd"},
                                                                       {"BlankCat", "sub\\x.gif"},
                                                                       {"BlankHeader", ".."},
                                                                       {"BlankMenu", "z\x01.gif"}}));
  EXPECT_EQ(set.files[kGsDividerBar], "Teiler.PNG");
  EXPECT_EQ(set.files[kGsBtnFind], "") << "a key without value is ignored";
  EXPECT_EQ(set.files[kGsBtnHome], "") << "no key before the white space";
  EXPECT_EQ(set.files[kGsBtnIndex], "") << "keys compare exactly";
  EXPECT_EQ(set.colours[kGsBgColor], RgbColour(255, 240, 0));
  EXPECT_EQ(set.colours[kGsALink], -1);
  EXPECT_TRUE(set.readOnly);
  EXPECT_FALSE(set.modified);

  fs::create_directories(dir / "OhneSettings");
  fs::create_directories(dir / "Verzeichnis" / "Settings");
  test::WriteFileBytes(dir / "Datei", "");
  EXPECT_EQ(ListGraphicSets(dir.path()), std::vector<std::string>{"Eigen"});
  EXPECT_FALSE(ReadGraphicSet(dir.path(), "Verzeichnis", set));
  EXPECT_FALSE(ReadGraphicSet(dir.path(), "OhneSettings", set));
}

TEST(GraphicSetFile, WritingRenamesPicturesToTheirStemsAndReadsBack) {
  test::TempDir dir;
  CopyFixture("gif/three_by_five.gif", dir / "Neu" / "Kaufen.GIF");
  CopyFixture("png/palette.png", dir / "anderswo" / "logo.png");
  GraphicSet set;
  set.name = "Neu";
  set.files[kGsBtnBuy] = "Kaufen.GIF";
  set.files[kGsBlankLogo] = (dir / "anderswo" / "logo.png").string();
  set.files[kGsBtnBack] = "fehlt.gif";
  set.colours[kGsBgColor] = RgbColour(0xFF, 0xFF, 0xFF);
  set.colours[kGsLink] = RgbColour(0, 0, 0xFF);
  EXPECT_TRUE(WriteGraphicSet(dir.path(), set));
  EXPECT_FALSE(fs::exists(dir / "Neu" / "Settings")) << "an unmodified set is not written";

  set.modified = true;
  ASSERT_TRUE(WriteGraphicSet(dir.path(), set));
  EXPECT_FALSE(set.modified);
  EXPECT_EQ(set.files[kGsBtnBuy], "b-buy.GIF");
  EXPECT_EQ(set.files[kGsBlankLogo], "bl-logo.png");
  EXPECT_EQ(set.files[kGsBtnBack], "fehlt.gif") << "a picture that cannot be copied keeps its name";
  EXPECT_EQ(test::ReadFileBytes(dir / "Neu" / "b-buy.GIF"), test::ReadFileBytes(dir / "Neu" / "Kaufen.GIF"));
  EXPECT_TRUE(fs::exists(dir / "Neu" / "bl-logo.png"));
  EXPECT_EQ(test::ReadFileBytes(dir / "Neu" / "Settings"),
            "Background\t\r\nDividerBar\t\r\nBtnFind\t\r\nBtnMoreInfo\t\r\nBtnBuy\tb-buy.GIF\r\nBtnBack\tfehlt.gif\r\n"
            "BtnHome\t\r\nBtnIndex\t\r\nBtnOrder\t\r\nBtnSearch\t\r\nBtnShopCart\t\r\nBtnStore\t\r\n"
            "BgColor\t#FFFFFF\r\nText\t#000000\r\nHText\t#000000\r\nLink\t#0000FF\r\nALink\t#000000\r\n"
            "VLink\t#000000\r\nBlankLogo\tbl-logo.png\r\nBlankCat\t\r\nBlankHeader\t\r\nBlankMenu\t\r\nReadOnly\tNo\r\n");
  GraphicSet back;
  ASSERT_TRUE(ReadGraphicSet(dir.path(), "Neu", back));
  EXPECT_EQ(back.files, set.files);
  EXPECT_EQ(back.colours, set.colours);
}

class GraphicSetRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dbPath_.parent_path());
    test::CreateShopFile(dbPath_);
    db_.Open(dbPath_);
    EnsureDefaultRows(db_);
    log_.AddSink(&sink_);
    MakeSet(GraphicSetsFolder(program_), "Eigen", true);
  }
  std::unique_ptr<RunContext> StartRun(const std::string& set, bool textOnly = false) {
    auto run = std::make_unique<RunContext>(db_, DeriveShopPaths(dbPath_), log_, prompter_, clock_);
    EXPECT_TRUE(OpenSnapshotStep(*run) && LoadPreviewSettings(*run, RunMode::Generation) && CreateFoldersStep(*run));
    run->snapshot.interfaces.GSet = set;
    run->settings.textOnly = textOnly;
    sink_.Clear();
    return run;
  }
  std::string ColorFile() { return test::ReadFileBytes(dir_ / "shop" / "data" / "color.cnf"); }

  test::TempDir dir_;
  fs::path dbPath_ = dir_ / "shop" / "shop.mdb", program_ = dir_ / "program";
  ShopDatabase db_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{1'700'000'000};
};

std::string ImageLines(const std::string& bg, const std::string& div, const std::string& info, const std::string& buy) {
  std::string s = "$graphicSet{'ImgBg'}\t= \"" + bg + "\";\n$graphicSet{'ImgDiv'}\t= \"" + div +
                  "\";\n$graphicSet{'ImgFind'}\t= \"\";\n$graphicSet{'ImgInfo'}\t= \"" + info +
                  "\";\n$graphicSet{'MeBuBuy'}\t= \"" + buy + "\";\n";
  for (const char* key : {"MeBuBack", "MeBuHome", "MeBuIdx", "MeBuOrder", "MeBuSearch", "MeBuCart", "MeBuFront"})
    s += "$graphicSet{'" + std::string(key) + "'}\t= \"\";\n";
  return s;
}
const std::string kColourLines =
    "$graphicSet{'CoBg'}\t= q{#FFF000};\n$graphicSet{'CoNTxt'}\t= q{#000000};\n$graphicSet{'CoHTxt'}\t= q{#8B0000};\n"
    "$graphicSet{'CoNLnk'}\t= q{#ABC000};\n$graphicSet{'CoALnk'}\t= q{#FFFFFF};\n$graphicSet{'CoVLnk'}\t= q{#1A2B3C};\n"
    "\n1;\n";

TEST_F(GraphicSetRunTest, ReadStepFillsTheColoursAndCopiesThePictures) {
  const fs::path source = GraphicSetsFolder(program_) / "Eigen" / "Teiler.PNG";
  fs::last_write_time(source, fs::file_time_type::clock::now() - std::chrono::hours(48));
  auto run = StartRun("Eigen");
  const int before = log_.Position();
  ASSERT_TRUE(ReadShopGraphicSet(*run, program_));
  EXPECT_EQ(log_.Position(), before + 1);
  EXPECT_EQ(sink_.lines, std::vector<std::string>{"Lese Einstellungen des Bildersatzes \"Eigen\"."});
  const auto& v = run->settings.graphicSet;
  EXPECT_EQ(std::vector<std::string>({v.background, v.text, v.heading, v.link, v.activeLink, v.visitedLink}),
            std::vector<std::string>({"#FFF000", "#000000", "#8B0000", "#ABC000", "#FFFFFF", "#1A2B3C"}));
  EXPECT_EQ(v.backgroundPicture, "hintergrund.gif");
  EXPECT_EQ(v.divider, "teiler.png");
  EXPECT_EQ(v.buy, "b-buy.png");
  const fs::path imgs = run->Folder(ShopSubfolder::Imgs);
  EXPECT_EQ(test::ReadFileBytes(imgs / "teiler.png"), test::ReadFileBytes(source));
  EXPECT_GT(fs::last_write_time(imgs / "teiler.png"), fs::last_write_time(source)) << "copies are stamped anew";
  EXPECT_FALSE(fs::exists(imgs / "bl-logo.gif")) << "placeholders are not copied";
}

TEST_F(GraphicSetRunTest, ColorFileHoldsEighteenLinesWithReferencesAndPaddedColours) {
  auto run = StartRun("Eigen");
  ASSERT_TRUE(WriteColorFile(*run, program_));
  EXPECT_EQ(ColorFile(), ImageLines("hintergrund.gif", "teiler.png/21/10", "kaputt.gif//", "b-buy.png/21/10") +
                             kColourLines);
  // Yellow links on a yellow ground: the file is written, the merchant is warned.
  EXPECT_EQ(sink_.lines, (std::vector<std::string>{
                             "Lese Einstellungen des Bildersatzes \"Eigen\".", "Erzeuge Datei \"data/color.cnf\"...",
                             "Datei erzeugt \"data/color.cnf\".",
                             "Warnung: Im Bildersatz \"Eigen\" hebt sich die Farbe \"Normaler Link\" (#ABC000) nur im "
                             "Verhältnis 1.7:1 vom Hintergrund (#FFF000) ab; gut lesbar ist ein Verhältnis ab 4.5:1."}));
  std::vector<std::string> published;
  for (const auto& [name, entry] : run->files.Publish(ShopSubfolder::Imgs)) published.push_back(name);
  EXPECT_EQ(published, (std::vector<std::string>{"b-buy.png", "hintergrund.gif", "kaputt.gif", "teiler.png"}));
  EXPECT_EQ(run->files.Publish(ShopSubfolder::Data).count("color.cnf"), 1u);

  // Text only: every picture line empty and the pictures kept but unused; colours stay.
  auto textOnly = StartRun("Eigen", true);
  ASSERT_TRUE(WriteColorFile(*textOnly, program_));
  EXPECT_EQ(ColorFile(), ImageLines("", "", "", "") + kColourLines);
  EXPECT_TRUE(textOnly->files.Publish(ShopSubfolder::Imgs).empty());
  EXPECT_EQ(textOnly->files.Unused(ShopSubfolder::Imgs).size(), 4u);
}

TEST_F(GraphicSetRunTest, PictureNamesOutsideTheSafeAlphabetAreIgnoredAndNothingRunsInPerl) {
  test::WriteFileBytes(dir_ / "geheim.txt", "Kennwort");
  const fs::path setFolder = GraphicSetsFolder(program_) / "Eigen";
  // Files of these names exist in the set, so only the name itself can refuse them.
  const std::string injection = "x@{[ system(q(touch pwned)) ]}.png";
  for (const std::string& name : {injection, std::string("a\".png"), std::string("b${\\die}.png")})
    CopyFixture("png/palette.png", setFolder / name);
  std::string text = test::ReadFileBytes(setFolder / "Settings");
  text.replace(text.find("Hintergrund.gif"), 15, "../../../geheim.txt");
  text.replace(text.find("b-buy.png"), 9, injection);
  text += "BtnHome\ta\".png\r\nBtnIndex\tb${\\die}.png\r\nBtnOrder\t.hidden.png\r\n";
  test::WriteFileBytes(setFolder / "Settings", text);

  auto run = StartRun("Eigen");
  ASSERT_TRUE(WriteColorFile(*run, program_));
  EXPECT_EQ(ColorFile(), ImageLines("", "teiler.png/21/10", "kaputt.gif//", "") + kColourLines);
  EXPECT_FALSE(fs::exists(run->Folder(ShopSubfolder::Imgs) / "geheim.txt"));
  EXPECT_EQ(run->files.Publish(ShopSubfolder::Imgs).count("geheim.txt"), 0u);
  const std::string tail = "\", das kein einfacher Name in seinem Ordner ist (erlaubt sind Buchstaben, Ziffern, "
                           "\".\", \"-\" und \"_\"); der Eintrag wird ignoriert.";
  const std::vector<std::string> warnings(sink_.lines.begin() + 1, sink_.lines.begin() + 6);
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "Warnung: Der Bildersatz \"Eigen\" nennt für \"Background\" das Bild \"../../../geheim.txt" + tail,
                          "Warnung: Der Bildersatz \"Eigen\" nennt für \"BtnBuy\" das Bild \"" + injection + tail,
                          "Warnung: Der Bildersatz \"Eigen\" nennt für \"BtnHome\" das Bild \"a\".png" + tail,
                          "Warnung: Der Bildersatz \"Eigen\" nennt für \"BtnIndex\" das Bild \"b${\\die}.png" + tail,
                          "Warnung: Der Bildersatz \"Eigen\" nennt für \"BtnOrder\" das Bild \".hidden.png" + tail,
                      }));

  // The file loads in perl as the scripts load it, and runs nothing.
  const fs::path data = run->Folder(ShopSubfolder::Data);
  const std::string command = "cd '" + data.string() +
                              "' && perl -e 'require \"./color.cnf\"; print scalar(keys %graphicSet)' > keys.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(data / "keys.txt"), "18");
  EXPECT_FALSE(fs::exists(data / "pwned"));

  // The design page cannot bring such a name in either.
  MakeSet(GraphicSetsFolder(program_), "Offen", false);
  GraphicSetLibrary library(program_, prompter_);
  ASSERT_TRUE(library.Choose("Offen"));
  EXPECT_FALSE(library.SetPicture(kGsBtnBuy, setFolder / "bild.p$g"));
  EXPECT_TRUE(library.SetPicture(kGsBtnBuy, setFolder / "teiler.png"));
}

TEST_F(GraphicSetRunTest, AnUnreadableSetEndsTheStep) {
  for (const std::string name : {"Fehlt", "../shop"}) {
    auto run = StartRun(name);
    const int before = log_.Position();
    EXPECT_FALSE(ReadShopGraphicSet(*run, program_));
    EXPECT_FALSE(WriteColorFile(*run, program_));
    EXPECT_EQ(sink_.lines[1], "Beim Einlesen des Bildersatzes \"" + name + "\" ist ein Fehler aufgetreten!.");
    EXPECT_EQ(log_.Position(), before);
    EXPECT_FALSE(fs::exists(dir_ / "shop" / "data" / "color.cnf"));
  }
  // A folder where color.cnf must be: the creation failure ends the writer.
  fs::create_directories(dir_ / "shop" / "data" / "color.cnf");
  auto run = StartRun("Eigen");
  EXPECT_FALSE(WriteColorFile(*run, program_));
  EXPECT_EQ(sink_.lines.at(2), "Die Datei \"data/color.cnf\" konnte nicht erstellt werden.");
}

TEST_F(GraphicSetRunTest, BuiltInSetsInstallOnceAreCompleteAndServeANewShop) {
  const fs::path home = dir_ / "home", root = GraphicSetsFolder(home);
  EXPECT_EQ(InstallBuiltInGraphicSets(home), 3);
  EXPECT_EQ(ListGraphicSets(root), (std::vector<std::string>{"Ozean", "Senator", "Wald"}));
  EXPECT_EQ(InstallBuiltInGraphicSets(home), 0) << "intact sets are left alone";
  // Damage of every kind: a set overwritten as not read-only, a missing picture, a
  // picture cut short, a missing set. Each comes back; a file of the merchant's stays.
  const std::string wald = test::ReadFileBytes(BuiltInGraphicSetsFolder() / "Wald" / "Settings");
  test::WriteFileBytes(root / "Wald" / "Settings", "ReadOnly\tNo\r\n");
  test::WriteFileBytes(root / "Wald" / "notiz.txt", "bleibt");
  fs::remove(root / "Senator" / "b-buy.png");
  fs::resize_file(root / "Senator" / "bg.png", 10);
  fs::remove_all(root / "Ozean");
  EXPECT_EQ(InstallBuiltInGraphicSets(home), 3);
  EXPECT_EQ(test::ReadFileBytes(root / "Wald" / "Settings"), wald);
  EXPECT_EQ(test::ReadFileBytes(root / "Wald" / "notiz.txt"), "bleibt");
  for (const char* picture : {"b-buy.png", "bg.png"})
    EXPECT_EQ(test::ReadFileBytes(root / "Senator" / picture),
              test::ReadFileBytes(BuiltInGraphicSetsFolder() / "Senator" / picture))
        << picture;

  for (const std::string& name : ListGraphicSets(root)) {
    GraphicSet set;
    ASSERT_TRUE(ReadGraphicSet(root, name, set));
    EXPECT_TRUE(set.readOnly) << name;
    uintmax_t bytes = 0;
    for (int row = 0; row < static_cast<int>(kGraphicSetElementCount); ++row) {
      if (IsColourRow(row)) {
        EXPECT_NE(set.colours[row], -1) << name << row;
      }
      if (!IsPictureRow(row)) continue;
      const std::string ref = FindNamedImageRef(root / name, set.files[row]);
      EXPECT_TRUE(!ref.empty() && ref.find("//") == std::string::npos) << name << " " << row << " " << ref;
      bytes += fs::file_size(root / name / set.files[row]);
    }
    EXPECT_LT(bytes, 100'000u) << name;
  }

  // A new shop uses "Senator"; the steps install the sets into the program folder.
  setenv("VENDORA_HOME", (dir_ / "fresh").c_str(), 1);
  auto run = std::make_unique<RunContext>(db_, DeriveShopPaths(dbPath_), log_, prompter_, clock_);
  ASSERT_TRUE(OpenSnapshotStep(*run) && LoadPreviewSettings(*run, RunMode::Generation) && CreateFoldersStep(*run));
  ASSERT_TRUE(ReadShopGraphicSetStep(*run) && WriteColorFileStep(*run));
  EXPECT_NE(ColorFile().find("$graphicSet{'MeBuBuy'}\t= \"b-buy.png/120/28\";\n"), std::string::npos);
  unsetenv("VENDORA_HOME");
  EXPECT_TRUE(fs::exists(dir_ / "fresh" / "GraphicSets" / "Wald" / "Settings"));
}

class GraphicSetLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSet(root_, "Basis", true);
    MakeSet(root_, "Eigen", false);
  }
  std::vector<std::string> Asked() { return prompter_.Texts(); }

  test::TempDir dir_;
  fs::path root_ = GraphicSetsFolder(dir_.path());
  test::ScriptedPrompter prompter_;
  GraphicSetLibrary library_{dir_.path(), prompter_};
};

TEST_F(GraphicSetLibraryTest, ChoosingAwayFromAModifiedSetAsksToSave) {
  ASSERT_TRUE(library_.Choose("Basis"));
  EXPECT_FALSE(library_.SetColour(kGsBgColor, 0)) << "read-only";
  ASSERT_TRUE(library_.Choose("Eigen"));
  ASSERT_TRUE(library_.SetColour(kGsBgColor, RgbColour(1, 2, 3)));
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(library_.Choose("Basis"));
  EXPECT_EQ(Asked(), std::vector<std::string>{"Möchten Sie die Änderungen an diesem Bildersatz speichern?\n"});
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(library_.Current().name, "Eigen");
  prompter_.Queue(Answer::No);
  ASSERT_TRUE(library_.Choose("Basis"));
  GraphicSet stored;
  ASSERT_TRUE(ReadGraphicSet(root_, "Eigen", stored));
  EXPECT_EQ(stored.colours[kGsBgColor], RgbColour(255, 240, 0)) << "No discards";
  ASSERT_TRUE(library_.Choose("Eigen") && library_.SetColour(kGsBgColor, RgbColour(1, 2, 3)));
  prompter_.Queue(Answer::Yes);
  ASSERT_TRUE(library_.Choose("Basis"));
  ASSERT_TRUE(ReadGraphicSet(root_, "Eigen", stored));
  EXPECT_EQ(stored.colours[kGsBgColor], RgbColour(1, 2, 3)) << "Yes saves";
}

TEST_F(GraphicSetLibraryTest, DuplicateValidatesAsksBeforeOverwritingAndCopiesUnderStems) {
  ASSERT_TRUE(library_.Choose("Basis"));
  for (const char* bad : {"", "  ", "a/b", "wer?", "x*y", ".versteckt"}) EXPECT_FALSE(library_.Duplicate(bad));
  EXPECT_EQ(prompter_.asked().size(), 6u);
  EXPECT_EQ(Asked()[2], Format(kGraphicSetNameInvalid, "a/b"));
  prompter_.Clear();

  EXPECT_FALSE(library_.Duplicate("Eigen"));  // the preselected answer is No
  EXPECT_EQ(Asked(), std::vector<std::string>{
                         "Ein Bildersatz mit dem Namen 'Eigen' ist schon vorhanden.\nWollen Sie ihn wirklich überschreiben?\n"});
  EXPECT_FALSE(fs::exists(root_ / "Eigen" / "bg.gif"));
  prompter_.Clear();

  // A read-only set is never overwritten, not even by asking.
  ASSERT_TRUE(library_.Choose("Eigen"));
  const std::string basis = test::ReadFileBytes(root_ / "Basis" / "Settings");
  EXPECT_FALSE(library_.Duplicate("Basis"));
  EXPECT_FALSE(library_.CreateEmpty("Basis"));
  const std::string readOnly =
      "Der Bildersatz 'Basis' ist schreibgeschützt und kann weder überschrieben noch gelöscht werden.";
  EXPECT_EQ(Asked(), (std::vector<std::string>{readOnly, readOnly}));
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Stop);
  EXPECT_EQ(test::ReadFileBytes(root_ / "Basis" / "Settings"), basis);
  ASSERT_TRUE(library_.Choose("Basis"));
  prompter_.Clear();

  test::WriteFileBytes(root_ / "Datei", "");
  EXPECT_FALSE(library_.Duplicate("Datei"));
  EXPECT_EQ(Asked(), std::vector<std::string>{"Das Verzeichnis\n'" + (root_ / "Datei").string() +
                                              "'\nkonnte nicht angelegt werden.\nWählen Sie bitte einen anderen Dateinamen.\n"});

  ASSERT_TRUE(library_.Duplicate("  Kopie "));
  EXPECT_EQ(library_.Current().name, "Kopie");
  EXPECT_EQ(library_.Names(), (std::vector<std::string>{"Basis", "Eigen", "Kopie"}));
  GraphicSet copy;
  ASSERT_TRUE(ReadGraphicSet(root_, "Kopie", copy));
  EXPECT_FALSE(copy.readOnly);
  EXPECT_EQ(copy.files[kGsBackground], "bg.gif");
  EXPECT_EQ(copy.files[kGsDividerBar], "div.PNG");
  EXPECT_EQ(copy.files[kGsBlankLogo], "bl-logo.gif");
  EXPECT_EQ(copy.files[kGsBtnBack], "") << "a file that is missing is not carried over";
  EXPECT_EQ(copy.colours[kGsVLink], RgbColour(0x1A, 0x2B, 0x3C));
  EXPECT_EQ(test::ReadFileBytes(root_ / "Kopie" / "div.PNG"), test::ReadFileBytes(root_ / "Basis" / "Teiler.PNG"));
}

TEST_F(GraphicSetLibraryTest, RenameMovesTheFolderOrSaysWhyNot) {
  ASSERT_TRUE(library_.Choose("Eigen"));
  EXPECT_FALSE(library_.Rename("EIGEN"));
  EXPECT_TRUE(Asked().empty());
  EXPECT_FALSE(library_.Rename("Basis"));
  EXPECT_EQ(Asked(), std::vector<std::string>{"Der Bildersatz 'Eigen' kann nicht in 'Basis' umbenannt werden.\n"});
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Information);
  ASSERT_TRUE(library_.Rename("Neu"));
  EXPECT_EQ(library_.Names(), (std::vector<std::string>{"Basis", "Neu"}));
  EXPECT_EQ(library_.Current().name, "Neu");
  EXPECT_EQ(library_.Current().files[kGsBtnBuy], "b-buy.png");
}

TEST_F(GraphicSetLibraryTest, DeleteAsksRefusesReadOnlySetsAndReportsFailures) {
  ASSERT_TRUE(library_.Choose("Basis"));
  EXPECT_FALSE(library_.Delete());
  EXPECT_EQ(Asked(), std::vector<std::string>{"Der Bildersatz 'Basis' ist schreibgeschützt und kann weder "
                                              "überschrieben noch gelöscht werden."})
      << "a read-only set is not even asked about";
  prompter_.Clear();
  ASSERT_TRUE(library_.Choose("Eigen"));
  EXPECT_FALSE(library_.Delete());
  EXPECT_EQ(Asked(), std::vector<std::string>{"Soll der Bildersatz 'Eigen' wirklich gelöscht werden?\n"});
  EXPECT_TRUE(fs::exists(root_ / "Eigen"));
  prompter_.Queue(Answer::Yes);
  ASSERT_TRUE(library_.Delete());
  EXPECT_FALSE(fs::exists(root_ / "Eigen"));
  EXPECT_EQ(library_.Current().name, "Basis");

  MakeSet(root_, "Zäh", false);
  fs::create_directories(root_ / "Zäh" / "Unterordner");
  ASSERT_TRUE(library_.Choose("Zäh"));
  prompter_.Clear();
  prompter_.Queue(Answer::Yes);
  EXPECT_FALSE(library_.Delete());
  EXPECT_EQ(Asked().back(), Format("Beim Löschen des Bildersatzes %d ist ein Fehler aufgetreten.\n", ENOTEMPTY));
}

TEST_F(GraphicSetLibraryTest, ListingTellsWhenThereIsNoSetAndAnEmptySetCanBeMade) {
  test::TempDir fresh;
  GraphicSetLibrary library(fresh.path(), prompter_);
  EXPECT_TRUE(library.Refresh().empty());
  EXPECT_EQ(Asked(), std::vector<std::string>{"Es sind keine Bildersätze verfügbar."});
  ASSERT_TRUE(library.CreateEmpty("Leer"));
  EXPECT_EQ(library.Names(), std::vector<std::string>{"Leer"});
  GraphicSet set;
  ASSERT_TRUE(ReadGraphicSet(GraphicSetsFolder(fresh.path()), "Leer", set));
  for (const std::string& file : set.files) EXPECT_EQ(file, "");
  EXPECT_EQ(FormatColour(set.colours[kGsBgColor]) + FormatColour(set.colours[kGsText]), "#FFFFFF#000000");
  EXPECT_FALSE(set.readOnly);
}

}  // namespace
}  // namespace vendora
