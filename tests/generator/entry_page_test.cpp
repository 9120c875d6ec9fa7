#include "generator/entry_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "common/clock.h"
#include "generator/embedded_files.h"
#include "generator/generation.h"
#include "imaging/image_file.h"
#include "preview/preview_run.h"
#include "shopdb/changed_flag.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/store_texts.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// A shop whose storefront has menus at top and bottom, one category with a button
// picture of 20 x 10 pixels, the terms once shown in a window of their own, and a font
// face that tries to end the style sheet.
class EntryPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VENDORA_HOME", (dir_ / "program").c_str(), 1);
    fs::create_directories(dbPath_.parent_path());
    test::CreateShopFile(dbPath_);
    db_.Open(dbPath_);
    EnsureDefaultRows(db_);
    RefreshStoreTexts(db_);
    log_.AddSink(&sink_);
    paths_ = DeriveShopPaths(dbPath_);
    CreateShopFolders(paths_);

    test::StoreRow(db_, CompanyRow{.StoreName = "Gartenwelt", .Address1 = "Lindenstraße 12", .City = "Freiburg",
                                   .ZIP = "79098", .Country = "Deutschland", .Phone1 = "0761 1", .Fax1 = "0761 2",
                                   .EmailInfo = "info@shop.example", .EmailSupport = "hilfe@shop.example",
                                   .EmailSales = "shop@shop.example"});
    InterfacesRow ui = DefaultInterfaces();
    ui.MenuTop = ui.MenuBottom = true;
    ui.UseDefaultFonts = false;
    ui.MainFont = "Verdana";
    ui.AltFont = "Café; }</STYLE><SCRIPT>";
    test::StoreRow(db_, ui);
    test::StoreRow(db_, TextBlocksRow{.Welcome = "Willkommen", .Instructions = "Hilfe", .PolicyJava = true});
    test::StoreRow(db_, WebServerRow{.HomeURL = "http://home.example/", .StandAlone = true, .FileName = "index.html",
                                     .StorePath = "/srv/shop", .ScriptURL = "http://shop.example/cgi-bin",
                                     .PerlPath = "/usr/bin/perl"});
    db_.Execute("UPDATE \"Options\" SET \"MCurrency\" = 'EUR'");
    db_.Execute("UPDATE \"Payments\" SET \"Include\" = 1");
    const int32_t post = test::AddRow(db_, ShippingRow{.Name = "Post"});
    test::AddRow(db_, ShipChargesRow{.Break = 0, .Charge = 4.9f, .ShippingID = post});

    const int32_t category = test::AddCategory(db_, "Werkzeug");
    const int32_t product = test::AddProduct(db_, category, "Spaten");
    CRecSetSubAttributes values(db_);  // an item without attributes names the blank value
    values.SetFilter(Eq("Name", " "));
    values.Open();
    ASSERT_FALSE(values.IsEOF());
    test::AddRow(db_, ItemsRow{.ProductID = product, .ItemNumber = "S-1", .SubAttrID1 = values->ID,
                               .SubAttrID2 = values->ID, .MPrice = 9.5f, .Available = true});
    const fs::path button = paths_.Subfolder(ShopSubfolder::Cats) / ("b" + std::to_string(category) + ".png");
    CImageFile image;
    ASSERT_TRUE(image.CreateImpl(button.string(), ImageFormat::Png));
    ASSERT_TRUE(image.Create(20, 10, 24));
    ASSERT_TRUE(image.Save(button.string()));
    category_ = category;
  }
  void TearDown() override { unsetenv("VENDORA_HOME"); }

  // The steps of the real chain that the entry page and the Perl pages' head rely on.
  void Generate(const std::string& graphicSet) {
    db_.Execute("UPDATE \"Interfaces\" SET \"GSet\" = '" + graphicSet + "'");
    const std::set<std::string> wanted = {"snapshot", "settings", "graphic set", "web server", "payvane",
                                          "folders",  "config",   "colours",     "entry page"};
    ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
    generator.Chain().clear();
    for (const RunStep& step : GenerationChain())
      if (wanted.contains(step.name)) generator.Chain().push_back(step);
    SetDatabaseChanged(true);
    ASSERT_TRUE(generator.Run()) << ::testing::PrintToString(sink_.lines) << ::testing::PrintToString(prompter_.Texts());
  }
  std::string EntryPage() const { return test::ReadFileBytes(paths_.folder / "index.html"); }

  // What WebCode::StyleSheet of the shop's own scripts prints with the generated
  // configuration and colour files.
  std::string PerlStyleSheet() const {
    const fs::path data = paths_.Subfolder(ShopSubfolder::Data);
    for (const EmbeddedFile& f : StorefrontFiles())
      if (f.name == "webcode.pm") test::WriteFileBytes(data / "webcode.pm", std::string(f.bytes));
    test::WriteFileBytes(data / "style.pl",
                         "require './config.cnf'; require './color.cnf'; require './webcode.pm';\n"
                         "binmode STDOUT; print WebCode::StyleSheet();\n");
    const std::string command = "cd '" + data.string() + "' && perl style.pl > style.txt";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return test::ReadFileBytes(data / "style.txt");
  }

  test::TempDir dir_;
  fs::path dbPath_ = dir_ / "shop" / "shop.mdb";
  ShopDatabase db_;
  ShopPaths paths_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{1'700'000'000};
  int32_t category_ = 0;
};

std::string StyleOf(const std::string& page) {
  const size_t start = page.find("<STYLE");
  const size_t end = page.find("</STYLE>\n");
  if (start == std::string::npos || end == std::string::npos) return {};
  return page.substr(start, end + 9 - start);
}

TEST_F(EntryPageTest, MeetsThePhoneAndLegalMarksOfTheShopsPages) {
  Generate("Senator");
  const std::string page = EntryPage();
  const std::string cat = std::to_string(category_);
  for (const std::string& fragment : {
           std::string("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"><HTML LANG=\"de\"><HEAD>"),
           std::string("charset=iso-8859-1\">\n<META NAME=\"viewport\" CONTENT=\"width=device-width, "
                       "initial-scale=1\">\n<STYLE TYPE=\"text/css\">"),
           std::string("<DIV ROLE=\"navigation\" ARIA-LABEL=\"Navigation\"><TABLE CLASS=\"nav\" BORDER=0 CELLPADDING=0 "
                       "CELLSPACING=4><TR><TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"show_wk\" TYPE=IMAGE "
                       "SRC=\"imgs/b-shop.png\" WIDTH=120 HEIGHT=28 BORDER=0 ALT=\"Warenkorb\" "
                       "STYLE=\"padding:8px 0px\"></TD>"),
           "<INPUT TYPE=IMAGE SRC=\"cats/b" + cat + ".png\" WIDTH=20 HEIGHT=10 BORDER=0 NAME=\"categorypage_" + cat +
               "\" ALT=\"Werkzeug\" STYLE=\"padding:17px 12px\">",
           std::string("<P><IMG SRC=\"imgs/div.png\" WIDTH=480 HEIGHT=9 BORDER=0 ALT=\"\"></P>\n"),
           std::string("<DIV CLASS=\"foot\"><FONT SIZE=\"-1\" FACE=\"Verdana,Caf\xE9; }&lt;/STYLE&gt;&lt;SCRIPT&gt;\">"
                       "<I><A HREF=\"mailto:info@shop.example\">Haben Sie Fragen zu unserem Shop?</A></I></FONT><BR>\n"),
           std::string("<A HREF=\"mailto:hilfe@shop.example\">eMail-Support zu unseren Produkten.</A></I></FONT><BR>\n"
                       "</DIV>\n"),
       })
    EXPECT_NE(page.find(fragment), std::string::npos) << fragment;

  // Menus at top and bottom; every picture speaks or is marked as decoration.
  size_t navs = 0;
  for (size_t at = 0; (at = page.find("<TABLE CLASS=\"nav\"", at)) != std::string::npos; ++at) ++navs;
  EXPECT_EQ(navs, 2u);
  for (size_t at = 0; (at = page.find("<IMG ", at)) != std::string::npos; ++at)
    EXPECT_NE(page.substr(at, page.find('>', at) - at).find(" ALT="), std::string::npos) << page.substr(at, 80);
  EXPECT_EQ(page.find("javascript:"), std::string::npos) << "the terms are a legal page now, not a window";

  // The legal pages are buttons of the form that enters the catalogue script, which
  // answers each by its button name.
  const size_t form = page.find("<FORM ACTION=\"http://shop.example/cgi-bin/catalog.cgi\" METHOD=POST>\n"
                                "<CENTER><INPUT TYPE=HIDDEN NAME=\"ActivPage\" VALUE=\"sf\">");
  const size_t legal = page.find(
      "<DIV CLASS=\"legal\" ROLE=\"navigation\" ARIA-LABEL=\"Rechtliches\">"
      "<INPUT TYPE=SUBMIT NAME=\"show_imprint\" VALUE=\"Impressum\" CLASS=\"link\"> "
      "<INPUT TYPE=SUBMIT NAME=\"show_privacy\" VALUE=\"Datenschutz\" CLASS=\"link\"> "
      "<INPUT TYPE=SUBMIT NAME=\"show_agb\" VALUE=\"AGB\" CLASS=\"link\"> "
      "<INPUT TYPE=SUBMIT NAME=\"show_withdrawal\" VALUE=\"Widerrufsbelehrung\" CLASS=\"link\"> "
      "<INPUT TYPE=SUBMIT NAME=\"show_shipping\" VALUE=\"Versandkosten\" CLASS=\"link\"></DIV>\n");
  const size_t formEnd = page.find("</CENTER></FORM>\n");
  ASSERT_NE(form, std::string::npos);
  ASSERT_NE(legal, std::string::npos);
  EXPECT_LT(form, legal);
  EXPECT_LT(legal, formEnd);
  EXPECT_EQ(page.find("<FORM", form + 1), std::string::npos) << "one form, so every button posts to the script";
}

// The preview shows the entry page's body with its own form and picture paths; its
// pages end in the same footer, whose buttons stay on the preview page.
TEST_F(EntryPageTest, PreviewPagesEndInTheSameFooterInTheirOwnMode) {
  ASSERT_TRUE(BuildPreview(db_, paths_, log_, prompter_, clock_)) << ::testing::PrintToString(sink_.lines);
  const fs::path preview = paths_.Subfolder(ShopSubfolder::Preview);
  const std::string legal = "<DIV CLASS=\"legal\" ROLE=\"navigation\" ARIA-LABEL=\"Rechtliches\"><INPUT TYPE=SUBMIT "
                            "NAME=\"show_imprint\" VALUE=\"Impressum\" CLASS=\"link\">";
  const std::string mail = "<DIV CLASS=\"foot\"><FONT SIZE=\"-1\" FACE=\"Verdana,Caf\xE9; }&lt;/STYLE&gt;&lt;"
                           "SCRIPT&gt;\"><I><A HREF=\"mailto:info@shop.example\">";
  const std::string front = test::ReadFileBytes(preview / "StoreFront.html");
  for (const std::string& fragment : {std::string("<FORM ACTION=\"\" METHOD=POST>\n"), legal, mail,
                                      std::string("<P><IMG SRC=\"../imgs/div.png\" WIDTH=480 HEIGHT=9 BORDER=0 ALT=\"\">"),
                                      std::string("<HTML LANG=\"de\">")})
    EXPECT_NE(front.find(fragment), std::string::npos) << fragment;
  EXPECT_EQ(front.find("javascript:"), std::string::npos);
  EXPECT_EQ(front.find("catalog.cgi"), std::string::npos) << "nothing leaves the preview";

  const std::string cart = test::ReadFileBytes(preview / "ShopCart.html");
  EXPECT_NE(cart.find(mail), std::string::npos);
  EXPECT_NE(cart.find(legal), std::string::npos);
  EXPECT_EQ(cart.find("javascript:"), std::string::npos);
  EXPECT_NE(test::ReadFileBytes(preview / "Category.html").find(legal), std::string::npos);
}

TEST_F(EntryPageTest, StyleSheetIsTheOneThePerlPagesWriteForEverySet) {
  // The built-in sets, and one whose link, heading and alert colours cannot be read
  // on its background and give way to readable ones.
  const fs::path night = dir_ / "program" / "GraphicSets" / "Nacht";
  fs::create_directories(night);
  test::WriteFileBytes(night / "Settings",
                       "BgColor\t#202020\nText\t#EEEEEE\nHText\t#404040\nLink\t#303030\nALink\t#FFFFFF\n"
                       "VLink\t#FFFFFF\nReadOnly\tNo\n");
  for (const std::string set : {"Senator", "Ozean", "Wald", "Nacht"}) {
    Generate(set);
    const std::string style = StyleOf(EntryPage());
    ASSERT_FALSE(style.empty()) << set;
    EXPECT_EQ(style, PerlStyleSheet()) << set;
    if (set == "Nacht") {
      for (const char* fragment :
           {"input.link { background:none; border:0; padding:0 6px; color:#EEEEEE; text-decoration:underline;",
            ".err { display:block; color:#FFFFFF; font-weight:bold;",
            "td::before { content:attr(data-label); font-weight:bold; text-align:left; color:#EEEEEE; }",
            "border:1px solid #EEEEEE; border-radius:6px; background:#202020; }"})
        EXPECT_NE(style.find(fragment), std::string::npos) << fragment;
    }
    // Nothing of the face can end the rule or the element.
    EXPECT_NE(style.find("label.tick { font-family:Verdana,Caf STYLESCRIPT; }\n"), std::string::npos) << set;
    EXPECT_EQ(style.find("</STYLE>"), style.size() - 9) << set;
  }
}

}  // namespace
}  // namespace vendora
