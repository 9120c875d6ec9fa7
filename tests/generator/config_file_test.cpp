#include "generator/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/demo_shop.h"
#include "common/clock.h"
#include "generator/generation.h"
#include "common/output_file.h"
#include "generator/perl_literal.h"
#include "generator/scripts.h"
#include "imaging/image_file.h"
#include "shopdb/changed_flag.h"
#include "shopdb/default_rows.h"
#include "shopdb/store_texts.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// A file the generator must write byte for byte, from tests/generator/fixtures.
std::string Fixture(const std::string& name) {
  return test::ReadFileBytes(fs::path(VENDORA_TEST_SOURCE_DIR) / "generator" / "fixtures" / name);
}

// A complete small shop: stand-alone, regional tax, two shipping methods with charges
// and one without, discounts, a gift wrap with and one without picture, every order
// channel, direct debit, credit card with two cards and a method of the merchant.
class TestShop {
 public:
  TestShop() {
    test::CreateShopFile(file_);
    db.Open(file_);
    EnsureDefaultRows(db);
    RefreshStoreTexts(db);
    paths = DeriveShopPaths(file_);
    CreateShopFolders(paths);
    log.AddSink(&sink);
    test::StoreRow(db, WebServerRow{.HomeURL = "http://www.garten.example", .StandAlone = true,
                                    .FileName = "index.html", .StorePath = "/srv/shop",
                                    .ScriptURL = "http://www.garten.example/cgi-bin", .PerlPath = "/usr/bin/perl",
                                    .MailOption = 2, .MailHost = "mail.garten.example"});
    test::StoreRow(db, CompanyRow{.StoreName = "Garten & Co <Süd>", .Address1 = "Lindenstraße 12", .City = "Freiburg",
                                  .State = "BW", .ZIP = "79098", .Country = "Deutschland", .Phone1 = "0761 1",
                                  .Fax1 = "0761 2", .EmailInfo = "info@garten.example",
                                  .EmailSales = "shop@garten.example"});
    test::StoreRow(db, DefaultInterfaces());
    test::StoreRow(db, TextBlocksRow{.Welcome = "Willkommen!\r\nSchön, dass Sie da sind.",
                                     .Policy = "Zahlbar in 14 Tagen.", .Thankyou = "Danke!"});
    Sql("UPDATE Options SET MCurrency = 'EUR', Insurance = 1, InsuranceValue = 0.0125, InsuranceLimit = 500, "
        "OfferDiscounts = 1, TaxType = 1, MinAmount = -5, OfferGiftWrap = 1, WrapCharge = 2.5, WrapPerItem = 1, "
        "OfferGiftMessage = 1, MessageCharge = 1");
    const int32_t post = test::AddRow(db, ShippingRow{.Name = "Post"});
    test::AddRow(db, ShippingRow{.Name = "Abholung", .Order = 1});
    const int32_t courier = test::AddRow(db, ShippingRow{.Name = "Kurier", .Order = 2});
    test::AddRow(db, ShipChargesRow{.Break = 50, .Charge = 0, .ShippingID = post});
    test::AddRow(db, ShipChargesRow{.Break = 0, .Charge = 4.9f, .ShippingID = post});
    test::AddRow(db, ShipChargesRow{.Break = 0, .Charge = 12.5f, .ShippingID = courier});
    test::AddRow(db, DiscountRow{.Break = 250, .Discount = 5});
    test::AddRow(db, DiscountRow{.Break = 100, .Discount = 3});
    test::AddRow(db, TaxesByAreaRow{.Area = "Bayern", .Rate = 19});
    test::AddRow(db, TaxesByAreaRow{.Area = "Baden", .Rate = 7.5f});
    const int32_t red = test::AddRow(db, GiftWrapsRow{.Name = "Rot", .Ext = "png"});
    test::AddRow(db, GiftWrapsRow{.Name = "Blau", .Ext = "png", .Order = 1});
    test::WriteFileBytes(paths.Subfolder(ShopSubfolder::Wraps) / (std::to_string(red) + ".png"), "picture");
    Sql("UPDATE Payments SET Include = 1");
    test::AddRow(db, PaymentsRow{.Include = true, .Name = "Nachnahme", .Price = 6, .Order = 2});
    test::AddRow(db, CreditCardsRow{.Name = "Visa"});
    test::AddRow(db, CreditCardsRow{.Name = "Eurocard", .Order = 1});
  }

  void Sql(const std::string& sql) { db.Execute(sql); }

  // The steps of the real chain up to the language file, without catalogue and colours.
  bool Generate() {
    const std::set<std::string> wanted = {"snapshot", "settings", "web server", "payvane",
                                          "folders",  "scripts",  "config",     "language"};
    generator.Chain().clear();
    for (const RunStep& step : GenerationChain())
      if (wanted.count(step.name)) generator.Chain().push_back(step);
    SetDatabaseChanged(true);
    return generator.Run();
  }
  std::string Data(const std::string& name) const {
    return test::ReadFileBytes(paths.Subfolder(ShopSubfolder::Data) / name);
  }
  const FileLists& Files() const { return generator.LastRun()->files; }

  test::TempDir dir;
  fs::path file_ = dir / "shop.mdb";
  ShopDatabase db;
  ShopPaths paths;
  GenerationLog log;
  MemoryLogSink sink;
  test::ScriptedPrompter prompter;
  FixedClock clock{1'700'000'000};
  ShopGenerator generator{db, DeriveShopPaths(file_), log, prompter, clock};
};

TEST(ConfigFile, WritesEveryLineOfAStandAloneShopWithDecimalPoints) {
  test::GermanLocale german;
  ASSERT_TRUE(german.active()) << "the German locale must be installed";
  TestShop shop;
  ASSERT_TRUE(shop.Generate()) << ::testing::PrintToString(shop.sink.lines);
  // Every line, in Windows-1252 with LF line ends.
  EXPECT_EQ(shop.Data("config.cnf"), Fixture("config_standalone.cnf"));
  EXPECT_EQ(shop.Files().Publish(ShopSubfolder::Data).count("config.cnf"), 1u);
  EXPECT_EQ(shop.Files().Publish(ShopSubfolder::Wraps).count("1.png"), 1u);
}

// The demo shop's language file, every key with its text and quoting (double quotes
// only where the text holds Perl escapes or sprintf placeholders), from the last key
// of the table to the first: a swapped number or quoting flag anywhere shows here.
TEST(LanguageFile, TheDemoShopsFileIsWrittenByteForByte) {
  test::TempDir dir;
  DemoShopOptions options;
  options.products = 1;
  const Result<fs::path> database = CreateDemoShop(dir / "demo", options);
  ASSERT_TRUE(database.ok()) << database.status().message();
  ShopDatabase db;
  db.Open(*database);
  RefreshStoreTexts(db);  // as opening the shop does
  GenerationLog log;
  MemoryLogSink sink;
  log.AddSink(&sink);
  test::ScriptedPrompter prompter;
  FixedClock clock{1'700'000'000};
  ShopGenerator generator{db, DeriveShopPaths(*database), log, prompter, clock};
  const std::set<std::string> wanted = {"snapshot", "settings", "web server", "payvane",
                                        "folders",  "scripts",  "config",     "language"};
  generator.Chain().clear();
  for (const RunStep& step : GenerationChain())
    if (wanted.count(step.name)) generator.Chain().push_back(step);
  ASSERT_TRUE(generator.Run()) << ::testing::PrintToString(sink.lines);
  EXPECT_EQ(test::ReadFileBytes(dir / "demo" / "data" / "language.cnf"), Fixture("language_demo.cnf"));
}

// Each case changes the base shop and names lines that must appear (in this order and
// adjacent within one entry) or must not.
TEST(ConfigFile, SettingsChangeTheirLines) {
  struct Case {
    const char* name;
    std::function<void(TestShop&)> change;
    std::vector<std::string> present, absent;
  };
  const std::vector<Case> cases = {
      {"not stand-alone, address only in its second line",
       [](TestShop& s) {
         s.Sql("UPDATE WebServer SET StandAlone = 0, HomeURL = 'http://www.garten.example/start.HTML', "
               "StoreURL = 'http://www.garten.example/shop'");
         s.Sql("UPDATE Company SET Address1 = '', Address2 = 'Postfach 12'");
         s.Sql("UPDATE Options SET PrintMail = 0");
       },
       {"$Basis{'Extern'} = 'http://www.garten.example/start.HTML';\n"
        "$Basis{'Url'} = 'http://www.garten.example/shop/';\n",
        "$ShopSet{'Address'} = q{<br>Postfach 12};\n", "$ExternOnTop = 1;\n"},
       {"AO2"}},
      {"free shipping numbers only methods with charges",
       [](TestShop& s) { s.Sql("UPDATE Options SET ShippingCalcType = 5"); },
       {"$Shipping = 5;\n$Shipping_Typ = 5;\n",
        "$aShipping{'00_Post'} = \"0.00/0.00\";\n$aShipping{'01_Kurier'} = \"0.00/0.00\";\n\n"},
       {"Abholung"}},
      {"text-only shop keeps the wrap picture unsent",
       [](TestShop& s) { s.Sql("UPDATE Interfaces SET TextOnly = 1"); }, {"$Gift{'Rot'} = \"\";\n$Gift_Cost"}, {}},
      {"no wrap with a picture",
       [](TestShop& s) { fs::remove(s.paths.Subfolder(ShopSubfolder::Wraps) / "1.png"); },
       {"$ReqFieldCountry = 1;\n\n$Gifts = 0;\n\n$Gift_Message = 1;\n"}, {"$Gift{", "$Gift_Cost", "$Gift_Type"}},
      {"card payment without cards is left out",
       [](TestShop& s) { s.Sql("DELETE FROM CreditCards"); },
       {"$OLP = 0;\n\n$Payment_LS = q{Lastschrift (Bankeinzug)};\n$Payment{'Lastschrift (Bankeinzug)'} = \"0.00\";\n"
        "$Payment{'Nachnahme'} = \"6.00\";\n"},
       {"Kreditkarte"}},
      {"Payvane in an English shop",
       [](TestShop& s) {
         s.Sql("UPDATE Version SET LangID = 1033");
         test::StoreRow(s.db, PayvaneRow{.Use = true, .Server = "gateway.payvane.de", .Port = 1712, .TimeOut = 60,
                                         .HID = 7, .RsaE = "52", .RsaN = "52", .Price = 2.5f, .OlpType = 1,
                                         .TxType = 1});
       },
       {"$OLP = 1;\n$OLP_Language = 409;\n$Payment_OLP = q{Online Kreditkartenabrechnung};\n"
        "$Payment{'Online Kreditkartenabrechnung'} = \"2.50\";\n$OLP_Type = 1;\n$OLP_Msg = 210;\n$CCName{'CC1'}"},
       {}},
      {"a language with letters among its hexadecimal digits stays loadable",
       [](TestShop& s) {
         s.Sql("UPDATE Version SET LangID = 1246576928");
         test::StoreRow(s.db, PayvaneRow{.Use = true, .Server = "gateway.payvane.de", .Port = 1712, .TimeOut = 60,
                                         .HID = 7, .RsaE = "52", .RsaN = "52"});
       },
       {"$OLP_Language = '4A4D4120';\n", "$OLP_Msg = 200;\n"},
       {}},
      {"Perl extension and a logo on every page",
       [](TestShop& s) {
         s.Sql("UPDATE WebServer SET ScriptExt = 1");
         s.Sql("UPDATE Company SET LogoExt = 'png', LogoUseall = 1");
         CImageFile logo;
         const std::string file = (s.paths.Subfolder(ShopSubfolder::Imgs) / "logo.png").string();
         ASSERT_TRUE(logo.CreateImpl(file, ImageFormat::Png) && logo.Create(30, 20, 24) && logo.Save(file));
       },
       {"$ShopSet{'Logo'} = \"logo.png/30/20\";\n", "$StoreLogo = 1;\n",
        "$CgiName{'Order'} = q{order.pl};\n$CgiName{'Catalog'} = q{catalog.pl};\n"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestShop shop;
    c.change(shop);
    ASSERT_TRUE(shop.Generate()) << ::testing::PrintToString(shop.sink.lines);
    const std::string config = shop.Data("config.cnf");
    for (const std::string& text : c.present) EXPECT_NE(config.find(text), std::string::npos) << text << "\n" << config;
    for (const std::string& text : c.absent) EXPECT_EQ(config.find(text), std::string::npos) << text;
  }
  TestShop textOnly;
  textOnly.Sql("UPDATE Interfaces SET TextOnly = 1");
  ASSERT_TRUE(textOnly.Generate());
  EXPECT_EQ(textOnly.Files().Unused(ShopSubfolder::Wraps).count("1.png"), 1u);
  EXPECT_TRUE(textOnly.Files().Publish(ShopSubfolder::Wraps).empty());
}

TEST(ConfigFile, EachInconsistencyShowsItsMessageAndStopsTheRun) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"DELETE FROM ShipCharges",
       "Sie haben keine Versandmethode angegeben.\nVendora benötigt jedoch mindestens eine Versandmethode."},
      {"DELETE FROM TaxesByArea",
       "Es wurde die Option \"Steuern nach Region berechnen\"\ngewählt, aber keine Region angegeben."},
      {"UPDATE Company SET EmailSales = ' '",
       "Um Bestellungen per Email erhalten zu können,\nmüssen Sie eine gültige Email-Adresse für den Vertrieb "
       "angeben."},
      {"UPDATE Company SET City = ''",
       "Um Bestellungen per Post erhalten zu können,\nmüssen Sie eine gültige postalische Adresse angeben."},
      {"UPDATE Company SET Fax1 = ''",
       "Um Bestellungen per Fax erhalten zu können,\nmüssen Sie eine gültige Faxnummer angeben."},
      {"UPDATE Options SET ElectronicSubmit = 0, PrintMail = 0, PrintFax = 0",
       "Um überhaupt Bestellungen erhalten zu können,\nmüssen Sie mindestens eine Bestellungsanahme in "
       "Handel-Dialog aktivieren."},
      // Without the channel names no channel can be offered.
      {"DELETE FROM Language WHERE ID >= 29997 AND ID <= 29999",
       "Um überhaupt Bestellungen erhalten zu können,\nmüssen Sie mindestens eine Bestellungsanahme in "
       "Handel-Dialog aktivieren."},
      {"DELETE FROM CreditCards; UPDATE Payments SET Include = 0 WHERE Code <> 'CC'",
       "Sie haben keine Bezahlungsart angegeben. Bitte verwenden Sie eine\nder vorgegebenen Bezahlungsarten oder "
       "geben Sie eine neue ein."},
  };
  for (const auto& [sql, message] : cases) {
    SCOPED_TRACE(sql);
    TestShop shop;
    shop.Sql(sql);
    EXPECT_FALSE(shop.Generate());
    ASSERT_EQ(shop.prompter.asked().size(), 1u);
    EXPECT_EQ(shop.prompter.asked()[0].text, message);
    EXPECT_EQ(shop.prompter.asked()[0].icon, MessageIcon::Information);
    const auto& lines = shop.sink.lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Erzeuge Datei \"data/config.cnf\"...") << "no line of its own";
    EXPECT_EQ(lines.back(), "Der Erzeugungsprozess wurde abgebrochen!");
    EXPECT_TRUE(fs::exists(shop.paths.Subfolder(ShopSubfolder::Cgi) / "catalog.cgi")) << "earlier files stay";
    EXPECT_FALSE(fs::exists(shop.paths.Subfolder(ShopSubfolder::Data) / "language.cnf"));
  }
}

// The imprint, privacy and withdrawal pages need their texts: an empty one is a
// warning once the file stands, and the shop is still generated.
TEST(ConfigFile, EmptyLegalTextsAreWarningsAfterTheFile) {
  TestShop shop;
  shop.Sql("UPDATE TextBlocks SET Privacy = 'Wir speichern nur, was die Bestellung braucht.'");
  ASSERT_TRUE(shop.Generate());
  const auto& lines = shop.sink.lines;
  const auto made = std::find(lines.begin(), lines.end(), "Datei erzeugt \"data/config.cnf\".");
  ASSERT_NE(made, lines.end());
  ASSERT_LT(made + 1, lines.end());
  EXPECT_EQ(made[1], "Warnung: Die Widerrufsbelehrung des Shops ist leer; die Seite zeigt nur einen Hinweis darauf. "
                     "Bitte tragen Sie den Text ein.");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("Datenschutzerklärung") != std::string::npos; }),
            0);
  EXPECT_NE(shop.Data("config.cnf").find("$ShopSet{'Privacy'} = q{Wir speichern nur, was die Bestellung braucht.};\n"),
            std::string::npos);
}

TEST(ConfigFile, AMalformedCompanyAddressIsAWarningInTheLogAndOnThePage) {
  TestShop shop;
  shop.Sql("UPDATE Company SET EmailInfo = 'info at garten'");
  ASSERT_TRUE(shop.Generate()) << ::testing::PrintToString(shop.sink.lines);
  const std::string warning =
      "Warnung: \"info at garten\" im Feld \"E-Mail Information\" der Firmenangaben ist keine gültige "
      "E-Mail-Adresse; Bestellungen und Anfragen an diese Adresse gehen verloren.";
  EXPECT_EQ(std::count(shop.sink.lines.begin(), shop.sink.lines.end(), warning), 1);
  EXPECT_EQ(shop.prompter.Texts(), std::vector<std::string>{warning});
}

TEST(PerlLiteral, WellFormedValuesKeepTheirForm) {
  // value, q{} literal, '...' literal, "..." literal
  const std::vector<std::array<std::string, 4>> cases = {
      {"a{b}c \\d", "q{a{b}c \\d}", "'a{b}c \\d'", "\"a{b}c \\\\d\""},
      {"}{", "q{\\}\\{}", "'}{'", "\"}{\""},
      {"x\\", "q{x\\\\}", "'x\\\\'", "\"x\\\\\""},
      {"it's $5 @ \"home\"", "q{it's $5 @ \"home\"}", "'it\\'s $5 @ \"home\"'", "\"it's \\$5 \\@ \\\"home\\\"\""},
      {"a\r\nb\x01", "\"a\\r\\nb\\x{01}\"", "\"a\\r\\nb\\x{01}\"", "\"a\\r\\nb\\x{01}\""},
  };
  for (const auto& [value, q, single, dq] : cases) {
    EXPECT_EQ(PerlQ(value), q) << value;
    EXPECT_EQ(PerlSingleQuoted(value), single) << value;
    EXPECT_EQ(PerlDoubleQuoted(value), dq) << value;
  }
  EXPECT_EQ(PerlDoubleQuotedText("A\\nB \"$x\" \\q"), "\"A\\nB \\\"\\$x\\\" \\\\q\"");
}

// Runs perl on the generated files and returns every variable: "Hash{key}" or "Name".
std::map<std::string, std::string> ReadBackInPerl(const fs::path& dataFolder) {
  const fs::path script = dataFolder / "dump.pl", output = dataFolder / "dump.txt";
  test::WriteFileBytes(script, R"(no strict;
require './config.cnf'; require './language.cnf';
for my $h (qw(Basis Path ConfFile TocFile IdxFile Currency ShopSet CgiName aShipping Discount RegioTax Gift
              AcceptOrders CCName Payment)) {
  for my $k (keys %$h) { print join("\t", $h, unpack('H*', $k), unpack('H*', $h->{$k})), "\n"; }
}
for my $s (grep { /^(psz|SubmitOption$|FontFace$|Payment_)/ } keys %main::) {
  print join("\t", $s, '', unpack('H*', ${$s})), "\n";
})");
  const std::string command = "cd '" + dataFolder.string() + "' && perl dump.pl > dump.txt";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::map<std::string, std::string> vars;
  std::istringstream in(test::ReadFileBytes(output));
  auto unhex = [](const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
  };
  for (std::string line; std::getline(in, line);) {
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    const std::string key = unhex(line.substr(a + 1, b - a - 1));
    vars[line.substr(0, a) + (a + 1 == b ? "" : "{" + key + "}")] = unhex(line.substr(b + 1));
  }
  return vars;
}

TEST(ConfigFile, HostileValuesReadBackInPerlExactlyAsStored) {
  TestShop shop;
  const std::string injection = "}; die 'injected'; q{";
  test::StoreRow(shop.db,
                 CompanyRow{.StoreName = "Böse {Firma} \"x\" $HOME @ARGV | Ω", .Address1 = "Weg 1 " + injection,
                            .City = "Köln\\", .ZIP = "1\r\n2", .Country = "'); die; ('", .Phone1 = "☎ 1",
                            .Fax1 = "\\}", .EmailSales = "a@b.example"});
  test::StoreRow(shop.db, TextBlocksRow{.Welcome = "@{[ die 'x' ]}\r\n${\\ die}", .Policy = injection,
                                        .Privacy = injection + "\r\nx", .Withdrawal = "@{[ die ]}"});
  shop.Sql("UPDATE WebServer SET StorePath = '/srv/$shop@x \"d\\', MailHost = 'mail}.example', "
           "HomeURL = 'http://www.garten.example/it''s', PerlPath = '/usr/bin/perl' || char(10) || 'die'");
  shop.Sql("UPDATE Shipping SET Name = 'Post''s \"Express\" $5 @home {' || char(13, 10) || 'x' WHERE Name = 'Post'");
  shop.Sql("UPDATE TaxesByArea SET Area = 'Nord''; die; ''' WHERE Area = 'Baden'");
  shop.Sql("UPDATE GiftWraps SET Name = 'Rot\\''' WHERE Name = 'Rot'");
  shop.Sql("UPDATE Payments SET Name = 'Bar \"$x\" @y }' WHERE Name = 'Nachnahme'");
  shop.Sql("UPDATE CreditCards SET Name = 'Visa {' WHERE Name = 'Visa'");
  shop.Sql("UPDATE Language SET Text = 'Suchen } ' || char(10) || 'q{' WHERE ID = 30018");
  shop.Sql("UPDATE Language SET Text = 'Mindestwert \"$x\" @y \\q %s' WHERE ID = 30142");
  ASSERT_TRUE(shop.Generate()) << ::testing::PrintToString(shop.sink.lines);
  const auto vars = ReadBackInPerl(shop.paths.Subfolder(ShopSubfolder::Data));
  EXPECT_EQ(ScriptHeader(ScriptSettingsOf(*shop.generator.LastRun())),
            "#!/usr/bin/perl die\n#\nrequire '/srv/$shop@x \"d\\/data/config.cnf';\n\n")
      << "a line break in the Perl path must not start a line of code";

  auto cp = [](const std::string& utf8) { return ToCodePage(utf8); };
  const std::map<std::string, std::string> expected = {
      {"ShopSet{StoreName}", cp("Böse {Firma} &quot;x&quot; $HOME @ARGV &brvbar; Ω")},
      {"ShopSet{Address}", "Weg 1 " + injection},
      {"ShopSet{City}", cp("Köln\\")},
      {"ShopSet{Zip}", "12"},
      {"ShopSet{Country}", "'); die; ('"},
      {"ShopSet{Phone1}", "&#9742; 1"},
      {"ShopSet{Fax1}", "\\}"},
      {"ShopSet{Welcome}", "@{[ die 'x' ]}<BR>${\\ die}"},
      {"ShopSet{AGB}", injection},
      {"ShopSet{Privacy}", injection + "<BR>x"},
      {"ShopSet{Withdrawal}", "@{[ die ]}"},
      {"Path{Basis}", "/srv/$shop@x \"d\\/"},
      {"Basis{Extern}", "http://www.garten.example/it's/"},
      {"SubmitOption", "mail}.example"},
      {"aShipping{00_Post's \"Express\" $5 @home {\r\nx}", "0.00/4.90,50.00/0.00"},
      {"RegioTax{Nord'; die; '}", "7.5"},  // a number for Perl
      {"Gift{Rot\\'}", "1.png/75/75"},
      {"Payment{Bar \"$x\" @y }}", "6.00"},
      {"CCName{CC1}", "Visa {"},
      {"pszSearchName", "Suchen } \nq{"},
      {"pszSoldMin", "Mindestwert \"$x\" @y \\q %s"},
      {"pszMail_Order", "Bestellung:\n===========\nAlle Preise in "},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_EQ(vars.count(name), 1u) << name;
    EXPECT_EQ(vars.at(name), value) << name;
  }
  // Every other store text reads back as the shop holds it.
  CRecSetLanguage texts(shop.db);
  texts.Open();
  int compared = 0;
  for (const StoreTextKey& key : StoreTextKeys().first(kLanguageFileTextCount)) {
    if (key.doubleQuoted || !texts.FindFirst(Eq("ID", key.textId))) continue;
    EXPECT_EQ(vars.at("psz" + std::string(key.key)), cp(texts->Text)) << key.key;
    ++compared;
  }
  EXPECT_GT(compared, 140);
}

}  // namespace
}  // namespace vendora
