#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <vector>
#include <string_view>
#include <utility>

#include "common/output_file.h"
#include "common/program_text.h"
#include "common/text_util.h"
#include "shopdb/store_texts.h"

namespace vendora {
namespace {

TEST(ProgramText, LooksUpTextsWordForWord) {
  EXPECT_EQ(ProgramText(20009), "Es sind keine Bildersätze verfügbar.");
  EXPECT_EQ(ProgramText(22018), "Der Erzeugungsprozess wurde abgebrochen!");
  EXPECT_EQ(ProgramText(22016), "Die Datei \"%s\" konnte nicht erstellt werden.");
  EXPECT_EQ(ProgramText(22225),
            "Die angegebene HomePage-URL ist ungültig.\nBitte beachten Sie, dass die Angabe entweder mit http:// "
            "oder https:// beginnen muß.");
  EXPECT_EQ(ProgramText(1), "");
  EXPECT_EQ(ProgramText(99999), "");
  EXPECT_EQ(FormatProgramText(22016, "data/config.cnf"), "Die Datei \"data/config.cnf\" konnte nicht erstellt werden.");
  EXPECT_EQ(FormatProgramText(23844, 2048, 0.5, 4096), "2048 Bytes in 0.50 Sekunden (4096 bps) übertragen.");
}

// The names the code uses stand for the texts it means, including the two whose keys
// in the language file read the other way round than their German words; the preview
// walks its nine page labels as a run of numbers from the first.
TEST(ProgramText, NamesStandForTheTextsTheCodeMeans) {
  EXPECT_EQ(ProgramText(text::kFileNotCreated), "Die Datei \"%s\" konnte nicht erstellt werden.");
  EXPECT_EQ(ProgramText(text::kHomeUrlMissing), "Die URL der Homepage fehlt.");
  EXPECT_EQ(ProgramText(text::kHomeUrlMissingHelp),
            "Bitte tragen Sie die URL Ihrer Homepage auf der Seite Web Server Konfiguration ein.");
  EXPECT_EQ(ProgramText(text::kPublishButton), "&Publizieren");
  EXPECT_EQ(ProgramText(text::kAbortPublishButton), "A&bbrechen");
  EXPECT_EQ(ProgramText(text::kStateField), "Land");
  EXPECT_EQ(ProgramText(text::kCountryField), "Staat");
  EXPECT_EQ(ProgramText(text::kOrderChannelOnline), "Online per Internet");
  EXPECT_EQ(ProgramText(text::kPreviewLabelShopEntry), "Geschäftseingang");
  EXPECT_EQ(ProgramText(text::kPreviewLabelShopEntry + 4), "Suchen");
  EXPECT_EQ(ProgramText(text::kPreviewLabelShopEntry + 8), "Geschenkservice");
  EXPECT_EQ(text::kPreviewLabelGiftService, text::kPreviewLabelShopEntry + 8);
}

// The checks' messages that the tests of the web-server, FTP and Payvane checks and of
// the thumbnails compare through this table: pinned here word for word, so that a
// wrong text in the table cannot pass there unseen. (Messages that other tests pin
// themselves are not repeated here.)
TEST(ProgramText, MessagesOtherTestsReadFromTheTable) {
  const std::pair<int, std::string_view> kMessages[] = {
      {20095, "Wenn Sie diese Änderung jetzt mit 'Ja' bestätigen, entfernt \nVendora ALLE bisher "
       "erstellten Miniaturbilder, um in der \ngewählten Qualitätsstufe neue Miniaturbilder zu "
       "erzeugen!"},
      {22175, "\nBitte fragen Sie Ihren Netzwerk-Administrator nach diesen Informationen."},
      {22176, "\n\nVerifizierung fortsetzen?\n"},
      {22177, "Verifiziere FTP Server-Konfiguration..."},
      {22178, "Verifizierung der FTP Server-Konfiguration beendet."},
      {22180, "Der FTP Hostname (oder die IP-Nummer) konnte nicht gefunden werden."},
      {22181, "Bitte geben Sie einen gültigen  FTP-Hostnamen (oder eine IP-Nummer)\nin der Seite FTP "
       "Server-Konfiguration ein."},
      {22182, "Ungültiger FTP Host-Port."},
      {22183, "Bitte geben Sie einen gültigen FTP Host-Port ein!\n(Der Bereich ist 1-65535, "
       "Standardwert ist 21)."},
      {22184, "Ein FTP Host-Benutzername konnte nicht gefunden werden."},
      {22185, "Bitte geben Sie einen gültigen Benutzernamen\nauf der Seite FTP Server-Konfiguration ein."},
      {22186, "Ein Firewall/Proxy-Hostname (oder IP-Nummer) konnte nicht gefunden werden."},
      {22187, "Bitte geben Sie einen gültigen Firewall/Proxy-Hostname (oder eine IP-Nummer) ein."},
      {22188, "Ungültiger Firewall/Proxy Host-Port."},
      {22189, "Bitte geben Sie einen gültigen Firewall/Proxy Host-Port ein!\n(Der Bereich ist 1-65535, "
       "Standardwert ist 21)."},
      {22190, "Der Firewall/Proxy Host-Benutzername konnte nicht gefunden werden."},
      {22191, "Bitte geben Sie einen gültigen Firewall- Proxy-Benutzernamen\nauf der Seite FTP "
       "Server-Konfiguration ein."},
      {22192, "Warnung: Das Remote Host-Verzeichnis und das Remote Script-Verzeichnis sind gleich."},
      {22193, "Warnung:\n\nDie FTP Server-Konfiguration enthält ein identisches Remote Host- und  "
       "Remote Script-Verzeichnis."},
      {22194, "\n\nSind Sie sicher, daß Sie mit der Veröffentlichung fortfahren wollen?\n"},
      {22208, "Überprüfe Web-Server-Konfiguration..."},
      {22209, "Überprüfung der Web-Server-Konfiguration beendet."},
      {22210, "Die URL der Homepage fehlt."},
      {22211, "Bitte tragen Sie die URL Ihrer Homepage auf der Seite Web Server Konfiguration ein."},
      {22212, "Die URL des Shop-Eingangs fehlt."},
      {22213, "Bitte tragen Sie die URL des Shop-Eingangs auf der Seite Web Server Konfiguration ein."},
      {22214, "Der Dateiname der Shop-Eingangsseite fehlt."},
      {22215, "Bitte tragen Sie den Dateinamen des Shop-Eingangs auf der Seite Web Server Konfiguration ein."},
      {22216, "Der absolute Shop-Pfad fehlt."},
      {22217, "Bitte tragen Sie den absoluten Shop-Pfad auf der Seite Web Server Konfiguration ein."},
      {22218, "Die absolute Script-URL fehlt."},
      {22219, "Bitte tragen Sie die absolute Script-URL auf der Seite Web Server Konfiguration ein."},
      {22220, "Das Mail-Executable fehlt."},
      {22221, "Bitte tragen Sie das absoluten Mail Execute auf der Seite Web Server Konfiguration ein."},
      {22222, "Der Mail Hostname fehlt."},
      {22223, "Bitte tragen Sie den Mail-Hostnamen auf der Seite Web Server Konfiguration ein."},
      {22224, "Die angegebene HomePage-URL ist ungültig."},
      {22225, "Die angegebene HomePage-URL ist ungültig.\nBitte beachten Sie, dass die Angabe entweder "
       "mit http:// oder https:// beginnen muß."},
      {22226, "Die angegebene Shop-Eingangs-URL ist ungültig."},
      {22227, "Die angegebene Shop-Eingangs-URL ist ungültig.\nBitte beachten Sie, dass die Angabe "
       "entweder mit http:// oder https:// beginnen muß."},
      {22228, "Die angegebene Script-URL ist ungültig."},
      {22229, "Die angegebene Script-URL ist ungültig.\nBitte beachten Sie, dass die Angabe entweder "
       "mit http:// oder https:// beginnen muß."},
      {22230, "Die absolute Pfadangabe für PERL fehlt."},
      {22231, "Bitte geben Sie den absoluten PERL-Pfad bei der Web-Server-Konfiguration an."},
      {22288, "Überprüfe Tolm! Payvane Konfiguration..."},
      {22289, "Tolm! Payvane Konfiguration überprüft."},
      {22290, "Die Tolm! Payvane Serveradress fehlt."},
      {22291, "Bitte geben Sie Tolm! Payvane Serveradresse an."},
      {22292, "Die Tolm! Payvane Serveradresse enthält ungültige Zeichen."},
      {22293, "Bitte korrigieren Sie die Tolm! Payvane Serveradresse. Sie enthält ungültige Zeichen!"},
      {22294, "Der TimeOut-Wert ist zu klein (Minimum ist 10 Sekunden). Verwende den Minimalwert von "
       "10 Sekunden)."},
      {22295, "Bitte verwenden Sie einen TimeOut-Wert zwischen 10 und 120 Sekunden."},
      {22296, "Der TimeOut-Wert ist zu groß (Maximum ist 120 Sekunden). Verwenden das Maximum von 120 "
       "Sekunden."},
      {22297, "Bitte verwenden Sie einen TimeOut-Wert zwischen 10 und 120 Sekunden."},
      {22298, "Die Portangabe ist ungültig. Verwenden den Standardwert 1712."},
      {22299, "Bitte setzen Sie die Port-Nummer auf einen Wert zwischen 1 and 32767."},
      {22300, "Ungültige Benutzerkennung."},
      {22301, "Bitte korrigieren Sie die Benutzerkennung."},
      {22302, "Bitte geben Sie den ersten Schlüssel für den Tolm! Payvane Server an."},
      {22303, "Bitte geben Sie den ersten Schlüssel für den Tolm! Payvane Server an."},
      {22304, "Der erste Schlüssel für den Tolm! Payvane Server enthält ungültige Zeichen."},
      {22305, "Bitte korrigieren sie die Angabe für den ersten Schlüssel des Tolm! Payvane Systems. "
       "Die Angabe enthält ungültige Zeichen!"},
      {22306, "Der zweite Schlüssel für den Tolm! Payvane Server fehlt."},
      {22307, "Bitte geben Sie den zweiten Schlüssel für den Tolm! Payvane Server an."},
      {22308, "Der zweite Schlüssel für den Tolm! Payvane Server enthält ungültige Zeichen."},
      {22309, "Bitte korrigieren sie die Angabe für den zweiten Schlüssel des Tolm! Payvane Systems. "
       "Die Angabe enthält ungültige Zeichen!"},
      {23864, "Die Liste der nicht zur Verfügung steheden Produktlinien enthält %d Einträge."},
  };
  for (const auto& [number, text] : kMessages) EXPECT_EQ(ProgramText(number), text) << number;
}

// Every number the program knows, with its text.
std::vector<std::pair<int, std::string_view>> AllTexts() {
  std::vector<std::pair<int, std::string_view>> all;
  for (int number = 0; number < 100000; ++number)
    if (std::string_view text = ProgramText(number); !text.empty()) all.emplace_back(number, text);
  return all;
}

// The conversions of a text in order ("%s%d"), "%%" left out; a "%" that starts no
// conversion the formatter knows comes out as "%?".
std::string Conversions(std::string_view text) {
  static const std::regex conversion(R"(^%[-+ #0]*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l|z|j|t|L)?[diouxXcsfFeEgG])");
  std::string found;
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    if (at + 1 < text.size() && text[at + 1] == '%') {
      ++at;
      continue;
    }
    std::match_results<std::string_view::const_iterator> m;
    const bool known = std::regex_search(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), m, conversion);
    found += known ? m.str() : "%?";
  }
  return found;
}

// The texts the program fills in carry exactly the values it passes, in its order;
// every other text is shown as it stands and must not carry a placeholder a user
// would see as "%s". (20081's "%p" is turned into hexadecimal digits before use;
// 22014 and 22015 are formats of the clock.)
TEST(ProgramText, PlaceholdersAreTheOnesTheProgramFills) {
  const std::map<int, std::string> filled = {
      {139, "%s"},        {20004, "%s"},     {20016, "%s"},  {20017, "%s%s"}, {20018, "%s"},
      {20019, "%d"},      {20045, "%s"},     {20053, "%s"},  {20080, "%s"},   {20081, "%d%?"},
      {20086, "%s"},      {22016, "%s"},     {22017, "%s%d"}, {22162, "%s"},  {22163, "%s"},
      {23842, "%s"},      {23844, "%d%.2f%d"}, {23845, "%d%.2f%d"}, {23846, "%s"}, {23857, "%d"},
      {23860, "%d"},      {23861, "%d"},     {23864, "%d"},  {20044, "%s"},  {22014, "%c"},
      {22015, "%c"},
      // Store texts that the shop's Perl scripts fill with sprintf.
      {29989, "%s%s"},    {29990, "%s"},     {29995, "%s%s"}, {30142, "%s%0.2f"},
  };
  const auto all = AllTexts();
  ASSERT_EQ(all.size(), ProgramTextCount()) << "every entry has a number below 100000";
  for (const auto& [number, text] : all) {
    const auto it = filled.find(number);
    EXPECT_EQ(Conversions(text), it == filled.end() ? "" : it->second) << number << ": " << text;
  }
}

// Texts are UTF-8 with single LF line ends; the shop's texts must survive Windows-1252
// (the code page of the generated files) without turning into numeric references.
TEST(ProgramText, EncodingIsCleanUtf8AndStoreTextsFitTheShopsCodePage) {
  for (const auto& [number, text] : AllTexts()) {
    EXPECT_TRUE(IsValidUtf8(text)) << number;
    EXPECT_EQ(text.find('\r'), std::string_view::npos) << number;
    // "Ã" or "Â" followed by another byte is UTF-8 read as Windows-1252 and encoded again.
    EXPECT_EQ(text.find("\xC3\x83"), std::string_view::npos) << number << ": " << text;
    EXPECT_EQ(text.find("\xC3\x82"), std::string_view::npos) << number << ": " << text;
    if (number < 29987 || number > 30145) continue;
    const std::string written = ToCodePage(text);
    auto references = [](std::string_view t) {
      size_t n = 0;
      for (size_t at = t.find("&#"); at != std::string_view::npos; at = t.find("&#", at + 2)) ++n;
      return n;
    };
    EXPECT_EQ(references(written), references(text)) << number << ": " << text;
  }
  // Umlauts become their single Windows-1252 bytes.
  EXPECT_EQ(ToCodePage(ProgramText(30090)), "Karte g\xFCltig bis (MM/JJ)");
}

// The language file's golden copy (tests/generator/fixtures/language_demo.cnf) pins
// the 156 texts of the file with their keys and quoting; here the rest of the table:
// each number and key once, and the three order channels after the file's texts
// (their texts are pinned by config.cnf's golden copy).
TEST(StoreTexts, KeyTableCoversEveryStoreTextOnce) {
  auto keys = StoreTextKeys();
  ASSERT_EQ(keys.size(), 159u);
  std::set<int> ids;
  std::set<std::string_view> names;
  for (const auto& k : keys) {
    ids.insert(k.textId);
    names.insert(k.key);
    EXPECT_FALSE(ProgramText(k.textId).empty()) << k.key;
  }
  EXPECT_EQ(ids.size(), 159u);
  EXPECT_EQ(names.size(), 159u);
  EXPECT_EQ(*ids.begin(), 29987);
  EXPECT_EQ(*ids.rbegin(), 30145);
  const std::pair<std::string_view, int> channels[] = {
      {"AcceptOrdersEmail", 29997}, {"AcceptOrdersMail", 29998}, {"AcceptOrdersFax", 29999}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(keys[156 + i].key, channels[i].first);
    EXPECT_EQ(keys[156 + i].textId, channels[i].second);
  }
}

}  // namespace
}  // namespace vendora
