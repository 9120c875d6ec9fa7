#include <gtest/gtest.h>

#include <cstdlib>

#include "common/clock.h"
#include "generator/generation.h"
#include "generator/graphic_sets.h"
#include "generator/server_checks.h"
#include "imaging/image_file.h"
#include "generator/entry_page.h"
#include "preview/catalogue_pages.h"
#include "preview/preview_run.h"
#include "shopdb/default_rows.h"
#include "shopdb/store_texts.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

void Picture(const fs::path& file, int width, int height) {
  fs::create_directories(file.parent_path());
  CImageFile image;
  ASSERT_TRUE(image.CreateImpl(file.string(), ImageFormat::Png));
  ASSERT_TRUE(image.Create(width, height, 24));
  ASSERT_TRUE(image.Save(file.string()));
}

template <class Set, class Row>
int32_t Insert(ShopDatabase& db, const Row& row) {
  Set set(db);
  set.OpenForAppend();
  set.AddNew();
  *set = row;
  set.Update();
  return static_cast<int32_t>(db.LastInsertRowId());
}

// A shop with a name that needs escaping, two currencies, required phone and e-mail,
// a category with one product of two items and one whose only product is withheld,
// gift wraps with and without a picture, and the built-in graphic set.
class PreviewTest : public ::testing::Test {
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

    CompanyRow company = DefaultCompany();
    company.StoreName = "<B>Gärtner & Söhne</B> Ω";
    company.Keywords = "Garten";
    company.EmailInfo = "info@shop.example";
    company.EmailSupport = "hilfe@shop.example";
    Insert<CRecSetCompany>(db_, company);
    InterfacesRow ui = DefaultInterfaces();
    ui.GSet = "Senator";
    ui.MenuTop = ui.MenuBottom = ui.UseThumbnails = true;
    Insert<CRecSetInterfaces>(db_, ui);
    TextBlocksRow texts;
    texts.Welcome = "Willkommen\r\nim Shop";
    texts.Instructions = "Hilfe";
    Insert<CRecSetTextblocks>(db_, texts);
    WebServerRow web = DefaultWebServer();
    web.HomeURL = "http://home.example/";
    web.StoreURL = "http://shop.example/";
    web.ScriptURL = "http://shop.example/cgi-bin";
    web.FileName = "start.html";
    web.StorePath = "/srv/shop";
    web.PerlPath = "/usr/bin/perl";
    web.MailExec = "/usr/sbin/sendmail";
    web.ScriptExt = 1;
    Insert<CRecSetWebServer>(db_, web);
    db_.Execute("UPDATE \"Options\" SET \"MCurrency\" = 'EUR', \"SCurrency\" = 'USD', \"ReqPhone\" = 1, "
                "\"ReqEmail\" = 1, \"ReqFax\" = 0, \"ReqCustID\" = 0, \"PrintFax\" = 1, \"ElectronicSubmit\" = 0, \"PrintMail\" = 0, "
                "\"WrapCharge\" = 2.5, \"WrapPerItem\" = 1");
    db_.Execute("UPDATE \"Payments\" SET \"Include\" = 1");  // "DE" and "CC"; there are no cards

    category_ = test::AddCategory(db_, "Werkzeug", 0);
    empty_ = test::AddCategory(db_, "Leer", 1);
    product_ = test::AddProduct(db_, category_, "Spaten {\"Robust\"}");
    const int32_t withheld = test::AddProduct(db_, empty_, "Alt");
    db_.Execute("UPDATE \"Products\" SET \"Available\" = 0 WHERE \"ID\" = " + std::to_string(withheld));
    for (const ItemsRow& item : {ItemsRow{.ProductID = product_, .Order = 0, .ItemNumber = "S-1", .Weight = 1.5f,
                                          .MPrice = 10.5f, .SPrice = 12.0f, .Available = true},
                                 ItemsRow{.ProductID = product_, .Order = 1, .ItemNumber = "S-2", .MPrice = 20.0f,
                                          .SPrice = 24.0f, .Available = true},
                                 ItemsRow{.ProductID = withheld, .ItemNumber = "A-1", .Available = true}}) {
      ItemsRow row = item;
      row.SubAttrID1 = row.SubAttrID2 = NoValue();
      Insert<CRecSetItems>(db_, row);
    }
    wrap_ = Insert<CRecSetGiftWraps>(db_, GiftWrapsRow{.Name = "Goldpapier", .Ext = "png", .Order = 0});
    Insert<CRecSetGiftWraps>(db_, GiftWrapsRow{.Name = "Ohne Bild", .Ext = "", .Order = 1});

    Picture(paths_.Subfolder(ShopSubfolder::Cats) / Format("b%d.png", category_), 20, 10);
    Picture(paths_.Subfolder(ShopSubfolder::Prods) / Format("%d.png", product_), 200, 100);
    Picture(paths_.Subfolder(ShopSubfolder::Wraps) / Format("%d.png", wrap_), 30, 30);
  }
  void TearDown() override { unsetenv("VENDORA_HOME"); }

  int32_t NoValue() {
    CRecSetSubAttributes values(db_);
    values.SetFilter(Eq("Name", " "));
    values.Open();
    return values.IsEOF() ? 0 : values->ID;
  }
  std::string Page(const std::string& name) { return test::ReadFileBytes(paths_.Subfolder(ShopSubfolder::Preview) / name); }
  bool Build() { return BuildPreview(db_, paths_, log_, prompter_, clock_); }

  test::TempDir dir_;
  fs::path dbPath_ = dir_ / "shop" / "shop.mdb";
  ShopDatabase db_;
  ShopPaths paths_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{1'700'000'000};
  int32_t category_ = 0, empty_ = 0, product_ = 0, wrap_ = 0;
};

TEST_F(PreviewTest, PagesCarryTheShopsDataInTheirFragments) {
  test::GermanLocale german;  // numbers and dates must not follow the user's locale
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines) << ::testing::PrintToString(prompter_.Texts());
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(sink_.lines.front(), "Erstelle Vorschau-Dateien...");
  EXPECT_EQ(sink_.lines.back(), "Vorschaudateien wurden erstellt.");
  EXPECT_EQ(log_.Position(), 15);

  const std::string cat = Format("%d", category_), wrap = Format("%d", wrap_), prod = Format("%d", product_);
  struct Fragment {
    const char* page;
    std::string text;
    bool present;
  };
  const Fragment fragments[] = {
      // Head: escaped name in Windows-1252, a character outside it as a reference, English UTC date.
      {"StoreFront.html", "<TITLE>&lt;B&gt;G\xE4rtner &amp; S\xF6hne&lt;/B&gt; &#937;</TITLE>", true},
      {"StoreFront.html", "<META NAME=\"Date\" CONTENT=\"Tue, 14 Nov 2023 22:13:20 GMT\">", true},
      {"StoreFront.html", "<META NAME=\"Keywords\" CONTENT=\"Garten\">", true},
      {"StoreFront.html",
       "<META NAME=\"Version Info\" CONTENT=\"1.50b54/c:1.12/o:1.12/p:1.10/s:1.30/wc:1.23/pv:2.00/cp:1.00\">", true},
      {"StoreFront.html", "<META NAME=\"Description\"", false},
      {"StoreFront.html", "window.open('Policy.html','Tolm_Window'", true},
      {"StoreFront.html", "Willkommen<BR>im Shop", true},
      // Only categories with something to buy get a button; pictures from ../cats.
      {"StoreFront.html",
       // A button smaller than a finger gets padding up to 44 pixels: (44 - 10 + 1) / 2 and (44 - 20 + 1) / 2.
       "<INPUT TYPE=IMAGE SRC=\"../cats/b" + cat + ".png\" WIDTH=20 HEIGHT=10 BORDER=0 NAME=\"categorypage_" + cat +
           "\" ALT=\"Werkzeug\" STYLE=\"padding:17px 12px\">&nbsp;&nbsp;",
       true},
      {"StoreFront.html", Format("categorypage_%d", empty_), false},
      // Menu cells: no back and no front on the storefront, home for a shop with a home page.
      {"StoreFront.html", "<INPUT NAME=\"show_back\"", false},
      {"StoreFront.html", "<INPUT NAME=\"show_front\"", false},
      {"StoreFront.html", "<TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"show_home\" TYPE=IMAGE SRC=\"../imgs/b-home.png\"", true},
      {"Category.html", "&#937; - Werkzeug</TITLE>", true},
      {"Category.html", "<TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"show_back\" TYPE=IMAGE SRC=\"../imgs/b-back.png\"", true},
      {"StoreFront.html", "<A HREF=\"mailto:info@shop.example\">Haben Sie Fragen zu unserem Shop?</A>", true},
      // The product block: thumbnail made for the preview, currency and weight columns, no shipping column.
      {"Category.html", "<IMG SRC=\"../thumbs/" + prod + ".jpg\" WIDTH=100 HEIGHT=50 BORDER=0 ALT=\"Weitere &#13;Infos\">", true},
      {"Category.html", "<B>Spaten {&quot;Robust&quot;}</B>", true},
      {"Category.html", "<B>Preis in EUR</B>", true},
      {"Category.html", "<B>Preis in USD</B>", true},
      {"Category.html", "<B>Gewicht</B>", true},
      {"Category.html", "<B>Versand</B>", false},
      {"Category.html", "SIZE=\"-1\">1.50</FONT></TD><TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">10.50</FONT>"
                        "</TD><TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">12.00</FONT></TD></TR>", true},
      {"Product.html", "<IMG SRC=\"../prods/" + prod + ".png\" WIDTH=200 HEIGHT=100 BORDER=0 ALIGN=LEFT>", true},
      // Cart: row n has quantity n; both currencies in every amount and the sum.
      {"ShopCart.html", "<INPUT TYPE=TEXT SIZE=3 VALUE=2>", true},
      {"ShopCart.html", "SIZE=\"-1\">EUR 40.00<BR><FONT COLOR=", true},
      {"ShopCart.html", "<b>EUR 50.50</b><BR><FONT COLOR=", true},
      {"ShopCart.html", ">USD 60.00</FONT></FONT></TD></TR>", true},
      {"ShopCart.html", "Es befinden sich keine Artikel im Warenkorb.", false},
      // Required fields: "*" in the billing block only, where the shop requires the field.
      {"Order1.html", "<B>Telefon</B></FONT>*</TD><TD><INPUT TYPE=TEXT NAME=\"b_phone\" SIZE=40>", true},
      {"Order1.html", "<B>Telefon</B></FONT></TD><TD><INPUT TYPE=TEXT NAME=\"s_phone\" SIZE=40>", true},
      {"Order1.html", "<B>Email</B></FONT>*</TD><TD><INPUT TYPE=TEXT NAME=\"b_email\"", true},
      {"Order1.html", "<B>Fax</B></FONT></TD><TD><INPUT TYPE=TEXT NAME=\"b_fax\"", true},
      {"Order1.html", "<B>Kundennummer</B></FONT></TD>", true},
      {"Order1.html",
       "<B>Postleitzahl, Ort</B></FONT>*</TD><TD><INPUT TYPE=TEXT NAME=\"b_zip\" SIZE=8> <INPUT TYPE=TEXT "
       "NAME=\"b_city\" SIZE=29></TD>",
       true},
      // Only the fax channel; direct debit with its fields; card payment without cards left out.
      {"Order2.html", "<SELECT NAME=\"send_via\"><OPTION VALUE=\"AO3\">Ausdrucken und per Fax versenden</OPTION></SELECT>", true},
      {"Order2.html", "<B>Lastschrift (Bankeinzug)&nbsp;(EUR&nbsp;0.00)</B>", true},
      {"Order2.html", "<INPUT TYPE=TEXT NAME=\"payment_banknumber\" SIZE=30>", true},
      {"Order2.html", "Kreditkarte", false},
      // Gift wraps: only those with a picture, shown 75 x 75.
      {"GiftWrap.html", "<IMG SRC=\"../wraps/" + wrap + ".png\" WIDTH=75 HEIGHT=75 BORDER=0></TD>", true},
      {"GiftWrap.html", "Ohne Bild", false},
      {"GiftWrap.html", "EUR 2.50&nbsp;pro Artikel.", true},
      {"FrameSet.html", "<FRAME NAME=\"Main\" NORESIZE SRC=\"StoreFront.html\">", true},
      {"Content.html", "<BR><A HREF=\"Order2.html\" TARGET=\"Main\">Bestellung (Teil 2)</A>", true},
      {"Policy.html", "<TITLE>&lt;B&gt;G\xE4rtner &amp; S\xF6hne&lt;/B&gt; &#937; - AGBs</TITLE>", true},
      {"Policy.html", "<SCRIPT", false},
  };
  for (const Fragment& f : fragments)
    EXPECT_EQ(Page(f.page).find(f.text) != std::string::npos, f.present) << f.page << ": " << f.text;
}

// With nothing to buy the cart shows no sample rows, sums to nothing in both
// currencies, and says that it is empty.
TEST_F(PreviewTest, TheCartWithoutAvailableItemsSaysItIsEmpty) {
  db_.Execute("UPDATE \"Items\" SET \"Available\" = 0");
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  const std::string cart = Page("ShopCart.html");
  EXPECT_EQ(cart.find("<INPUT TYPE=TEXT SIZE=3"), std::string::npos);
  EXPECT_NE(cart.find("SIZE=\"-1\"><b>EUR 0.00</b><BR><FONT COLOR="), std::string::npos);
  EXPECT_NE(cart.find(">USD 0.00</FONT></FONT></TD></TR>"), std::string::npos);
  EXPECT_NE(cart.find("<FONT FACE=\"\"><B>Es befinden sich keine Artikel im Warenkorb.</B></FONT>"), std::string::npos);
}

// The index page lists the entries by name as the shop sorts them (an umlaut with
// its plain letter), escaped, each with its key; the sentinel " " is no entry.
TEST_F(PreviewTest, TheIndexPageListsTheEntriesInShopOrder) {
  int32_t ids[4] = {};
  const char* names[] = {"Zaun", "Beet", "\xC3\x84xte", "Spaten <XL>"};  // Äxte
  for (int i = 0; i < 4; ++i) ids[i] = Insert<CRecSetIndex>(db_, IndexRow{.Name = names[i]});
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  const std::string page = Page("IndexPage.html");
  EXPECT_NE(page.find("&#937; - Index</TITLE>"), std::string::npos);
  EXPECT_NE(page.find("<H2><LABEL FOR=\"indexid\">Index</LABEL></H2></FONT>Bitte w\xE4hlen Sie \xFC" "ber die "
                      "Auswahlliste einen Index aus.<BR>Mit Hilfe der Suchen-Taste gelangen Sie zur entsprechenden "
                      "Indexseite.</FONT></P>\n"),
            std::string::npos);
  EXPECT_NE(page.find(Format("<select name=\"indexid\" id=\"indexid\"><OPTION VALUE=%d>\xC4xte</OPTION>"
                             "<OPTION VALUE=%d>Beet</OPTION><OPTION VALUE=%d>Spaten &lt;XL&gt;</OPTION>"
                             "<OPTION VALUE=%d>Zaun</OPTION></SELECT><P>&nbsp;<INPUT NAME=\"show_index\" ",
                             ids[2], ids[1], ids[3], ids[0])),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<OPTION VALUE=0>"), std::string::npos);
  EXPECT_NE(page.find("ALT=\"Gehe zur Linie\""), std::string::npos);
  EXPECT_NE(page.find("<INPUT NAME=\"show_back\""), std::string::npos) << "the menu bar";
}

// The search page: its texts, the field the script reads, and the shop's logo only
// when the company wants it on every page (its name escaped as the picture's text).
TEST_F(PreviewTest, TheSearchPageAsksForATermAndShowsTheLogoWhereWanted) {
  Picture(paths_.Subfolder(ShopSubfolder::Imgs) / "logo.png", 40, 20);
  db_.Execute("UPDATE \"Company\" SET \"LogoExt\" = 'png', \"LogoUseall\" = 0");
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  std::string page = Page("Search.html");
  EXPECT_NE(page.find("&#937; - Suchen</TITLE>"), std::string::npos);
  for (const std::string& fragment :
       {std::string("FACE=\"\">Suchen</FONT></H2>\n<H3><FONT COLOR="),
        std::string("FACE=\"\">Bitte geben Sie Ihren Suchbegriff ein:</FONT></H3>\n"),
        std::string("<TR><TD><I><FONT FACE=\"\">Sie k\xF6nnen hier jedes beliebige Wort eingeben, z.B. den Namen "
                    "einer Kategorie und/oder eines Artikels. Wenn Sie Ihre Eingabe beendet haben, klicken Sie bitte "
                    "auf die &quot;Suchen&quot;-Taste.</FONT></I></TD></TR>\n"),
        std::string("<TR><TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"search_string\" VALUE=\"\" SIZE=40>&nbsp;&nbsp;"
                    "<INPUT TYPE=IMAGE SRC=\"../imgs/")})
    EXPECT_NE(page.find(fragment), std::string::npos) << fragment;
  EXPECT_NE(page.find("NAME=\"show_search\" ALT=\"Suchen\">"), std::string::npos);
  EXPECT_EQ(page.find("logo.png"), std::string::npos);

  db_.Execute("UPDATE \"Company\" SET \"LogoUseall\" = 1");
  ASSERT_TRUE(Build());
  page = Page("Search.html");
  EXPECT_NE(page.find("<IMG SRC=\"../imgs/logo.png\" WIDTH=40 HEIGHT=20 BORDER=0 ALT=\"&lt;B&gt;G\xE4rtner &amp; "
                      "S\xF6hne&lt;/B&gt; &#937;\"><BR>\n<H2>"),
            std::string::npos)
      << page;
}

// The card rows: the shop's cards numbered in their order as config.cnf numbers them,
// and the card service's own four organisations before the shop's methods.
TEST_F(PreviewTest, TheOrderPageOffersCardsWithTheirRows) {
  test::AddRow(db_, CreditCardsRow{.Name = "Visa", .Order = 1});
  test::AddRow(db_, CreditCardsRow{.Name = "Euro & Master", .Order = 0});
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  const std::string rows =
      "<TR><TD COLSPAN=2 VALIGN=TOP><INPUT TYPE=RADIO NAME=\"payment_typ\" VALUE=\"Kreditkarte\">&nbsp;"
      "<FONT FACE=\"\" SIZE=\"-1\"><B>Kreditkarte&nbsp;(EUR&nbsp;0.00)</B></FONT></TD></TR>\n"
      "<TR><TD WIDTH=40>&nbsp;</TD><TD><TABLE BORDER=0>"
      "<TR><TD VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">Organisation:</FONT></TD><TD>"
      "<SELECT NAME=\"payment_cardorganisation\"><OPTION VALUE=CC1>Euro &amp; Master</OPTION>"
      "<OPTION VALUE=CC2>Visa</OPTION></SELECT></TD></TR>"
      "<TR><TD VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">Name des Karteninhabers:</FONT></TD><TD>"
      "<INPUT TYPE=TEXT NAME=\"payment_cardname\" SIZE=30></TD></TR>"
      "<TR><TD VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">Karten-Nummer:</FONT></TD><TD>"
      "<INPUT TYPE=TEXT NAME=\"payment_cardnumber\" SIZE=30></TD></TR>"
      "<TR><TD VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">Karte g\xFCltig bis (MM/JJ):</FONT></TD><TD>"
      "<INPUT TYPE=TEXT NAME=\"payment_cardexpire1\" SIZE=2 MAXLENGTH=2> / "
      "<INPUT TYPE=TEXT NAME=\"payment_cardexpire2\" SIZE=2 MAXLENGTH=2></TD></TR></TABLE></TD></TR>\n";
  std::string page = Page("Order2.html");
  EXPECT_NE(page.find(rows), std::string::npos) << page;
  EXPECT_EQ(page.find("Online Kreditkartenabrechnung"), std::string::npos);

  test::StoreRow(db_, PayvaneRow{.Use = true, .Server = "gateway.payvane.de", .Port = 1712, .TimeOut = 60,
                                 .Price = 2.5f});
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  page = Page("Order2.html");
  const size_t service = page.find(
      "<INPUT TYPE=RADIO NAME=\"payment_typ\" VALUE=\"Online Kreditkartenabrechnung\">&nbsp;<FONT FACE=\"\" "
      "SIZE=\"-1\"><B>Online Kreditkartenabrechnung&nbsp;(EUR&nbsp;2.50)</B></FONT></TD></TR>\n"
      "<TR><TD WIDTH=40>&nbsp;</TD><TD><TABLE BORDER=0><TR><TD VALIGN=TOP><FONT FACE=\"\" SIZE=\"-1\">Organisation:"
      "</FONT></TD><TD><SELECT NAME=\"payment_cardorganisation\"><OPTION VALUE=MC>Eurocard / Mastercard</OPTION>"
      "<OPTION VALUE=VS>Visa</OPTION><OPTION VALUE=AE>American Express</OPTION><OPTION VALUE=DC>Diners Club</OPTION>"
      "</SELECT></TD></TR>");
  ASSERT_NE(service, std::string::npos) << page;
  EXPECT_LT(service, page.find("Lastschrift (Bankeinzug)"));
  EXPECT_NE(page.find(rows), std::string::npos) << "the shop's own card method stays";
}

TEST_F(PreviewTest, TextOnlyPagesShowNoPicturesAndMakeNoThumbnails) {
  db_.Execute("UPDATE \"Interfaces\" SET \"TextOnly\" = 1");
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  for (std::string_view file : kPreviewFiles) {
    const std::string page = Page(std::string(file));
    EXPECT_EQ(page.find("<IMG"), std::string::npos) << file;
    EXPECT_EQ(page.find("TYPE=IMAGE"), std::string::npos) << file;
    EXPECT_EQ(page.find("BACKGROUND="), std::string::npos) << file;
  }
  EXPECT_NE(Page("StoreFront.html").find("<P><HR WIDTH=620 ALIGN=CENTER></P>"), std::string::npos);
  EXPECT_NE(Page("StoreFront.html").find(Format("<INPUT TYPE=SUBMIT NAME=\"categorypage_%d\" VALUE=\"Werkzeug\">", category_)),
            std::string::npos);
  EXPECT_NE(Page("GiftWrap.html").find("<TD VALIGN=TOP>&nbsp;</TD><TD VALIGN=TOP><INPUT TYPE=RADIO>&nbsp;<FONT FACE=\"\">"
                                       "&nbsp;Goldpapier</FONT>"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(paths_.Subfolder(ShopSubfolder::Thumbs) / Format("%d.jpg", product_)));
}

TEST_F(PreviewTest, AGraphicSetMissingPicturesGivesPagesWithoutThem) {
  ASSERT_EQ(InstallBuiltInGraphicSets(dir_ / "program"), 3);
  // A set of the merchant's own: built-in sets are repaired before every run.
  const fs::path set = GraphicSetsFolder(dir_ / "program") / "Eigen";
  fs::copy(GraphicSetsFolder(dir_ / "program") / "Senator", set, fs::copy_options::recursive);
  db_.Execute("UPDATE \"Interfaces\" SET \"GSet\" = 'Eigen'");
  fs::remove(set / "div.png");
  fs::remove(set / "b-home.png");
  ASSERT_TRUE(Build()) << ::testing::PrintToString(sink_.lines);
  const std::string front = Page("StoreFront.html");
  EXPECT_NE(front.find("<P><HR WIDTH=620 ALIGN=CENTER></P>"), std::string::npos);
  EXPECT_NE(front.find("<INPUT NAME=\"show_home\" TYPE=SUBMIT VALUE=\"Home\">"), std::string::npos);
  EXPECT_NE(front.find("<INPUT NAME=\"show_wk\" TYPE=IMAGE"), std::string::npos) << "the other pictures stay";
}

TEST_F(PreviewTest, AnUnwritablePageStopsTheRunWithTheFileErrorAndMessage) {
  fs::create_directories(paths_.Subfolder(ShopSubfolder::Preview) / "Order2.html" / "x");
  EXPECT_FALSE(Build());
  const auto& lines = sink_.lines;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Die Datei \"preview/Order2.html\" konnte nicht erstellt werden."),
            lines.end())
      << ::testing::PrintToString(lines);
  EXPECT_EQ(lines.back(), "Grund: Unter diesem Namen besteht ein Verzeichnis. (Fehlernummer: 21).");
  ASSERT_EQ(prompter_.asked().size(), 1u) << "only the preview's own message";
  EXPECT_EQ(prompter_.asked()[0].text,
            "Die Vorschau kann aufgrund von Fehlern bei der\nErstellung des Shop nicht angezeigt werden!");
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(Page("Order1.html").empty()) << "pages before the failure are written";
  EXPECT_FALSE(fs::exists(paths_.Subfolder(ShopSubfolder::Preview) / "Content.html"));
}

TEST_F(PreviewTest, ContentLinksOnlyPagesWrittenWithContent) {
  ASSERT_TRUE(Build());
  test::WriteFileBytes(paths_.Subfolder(ShopSubfolder::Preview) / "Search.html", "");
  fs::remove(paths_.Subfolder(ShopSubfolder::Preview) / "Product.html");
  RunContext run(db_, paths_, log_, prompter_, clock_, RunMode::Preview);
  ASSERT_TRUE(OpenSnapshotStep(run) && LoadPreviewSettings(run, RunMode::Preview));
  ASSERT_TRUE(WriteContentPage(run));
  const std::string content = Page("Content.html");
  const std::string body = content.substr(content.find("<BODY"));
  // Product and search are listed without a link; in Windows-1252.
  EXPECT_EQ(body, test::ReadFileBytes(fs::path(VENDORA_TEST_SOURCE_DIR) / "preview" / "fixtures" / "content_body.html"));
  EXPECT_EQ(content.find("<TITLE>"), std::string::npos);
}

TEST_F(PreviewTest, TheEntryPageIsTheStorefrontEnteringTheCatalogueScript) {
  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  generator.Chain() = {{"snapshot", OpenSnapshotStep},
                       {"settings", [](RunContext& r) { return LoadPreviewSettings(r, RunMode::Generation); }},
                       {"graphic set", ReadShopGraphicSetStep},
                       {"web server", CheckWebServerStep},
                       {"entry page", WriteEntryPageStep}};
  ASSERT_TRUE(generator.Run()) << ::testing::PrintToString(sink_.lines) << ::testing::PrintToString(prompter_.Texts());
  const std::string page = test::ReadFileBytes(paths_.folder / "start.html");
  for (const std::string& fragment :
       {std::string("<FORM ACTION=\"http://shop.example/cgi-bin/catalog.pl\" METHOD=POST>\n"
                    "<CENTER><INPUT TYPE=HIDDEN NAME=\"ActivPage\" VALUE=\"sf\">"),
        std::string("window.open('http://shop.example/cgi-bin/catalog.pl?show_window_agb.x=0','Tolm_Window'"),
        std::string("<INPUT NAME=\"show_wk\" TYPE=IMAGE SRC=\"imgs/b-shop.png\""),
        Format("<INPUT TYPE=IMAGE SRC=\"cats/b%d.png\" WIDTH=20 HEIGHT=10 BORDER=0 NAME=\"categorypage_%d\"", category_,
               category_)})
    EXPECT_NE(page.find(fragment), std::string::npos) << fragment;
  EXPECT_EQ(page.find("../"), std::string::npos);
}

}  // namespace
}  // namespace vendora
