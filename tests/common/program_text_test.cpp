#include <gtest/gtest.h>

#include <set>
#include <string_view>
#include <utility>

#include "common/program_text.h"
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

// Every numbered message that the generator's checks, the graphic sets and the picture
// steps show or log, word for word: the tests of those steps compare with the table, so
// a wrong text in the table would pass there unseen.
TEST(ProgramText, MessagesReadAsTheProgramWritesThem) {
  const std::pair<int, std::string_view> kMessages[] = {
      {20004, "Das Verzeichnis\n'%s'\nkonnte nicht angelegt werden.\nWählen Sie bitte einen anderen "
       "Dateinamen.\n"},
      {20009, "Es sind keine Bildersätze verfügbar."},
      {20016, "Ein Bildersatz mit dem Namen '%s' ist schon vorhanden.\nWollen Sie ihn wirklich "
       "überschreiben?\n"},
      {20017, "Der Bildersatz '%s' kann nicht in '%s' umbenannt werden.\n"},
      {20018, "Soll der Bildersatz '%s' wirklich gelöscht werden?\n"},
      {20019, "Beim Löschen des Bildersatzes %d ist ein Fehler aufgetreten.\n"},
      {20020, "Möchten Sie die Änderungen an diesem Bildersatz speichern?\n"},
      {20045, "Beim Kopieren der Datei trat ein Fehler auf.\n%s\n"},
      {20095, "Wenn Sie diese Änderung jetzt mit 'Ja' bestätigen, entfernt \nVendora ALLE bisher "
       "erstellten Miniaturbilder, um in der \ngewählten Qualitätsstufe neue Miniaturbilder zu "
       "erzeugen!"},
      {22016, "Die Datei \"%s\" konnte nicht erstellt werden."},
      {22017, "Grund: %s (Fehlernummer: %d)."},
      {22018, "Der Erzeugungsprozess wurde abgebrochen!"},
      {22160, "Erzeuge Datei \"data/color.cnf\"..."},
      {22161, "Datei erzeugt \"data/color.cnf\"."},
      {22162, "Lese Einstellungen des Bildersatzes \"%s\"."},
      {22163, "Beim Einlesen des Bildersatzes \"%s\" ist ein Fehler aufgetreten!."},
      {22175, "\nBitte fragen Sie Ihren Netzwerk-Administrator nach diesen Informationen."},
      {22176, "\n\nVerifizierung fortsetzen?\n"},
      {22177, "Verifiziere FTP Server-Konfiguration..."},
      {22178, "Verifizierung der FTP Server-Konfiguration beendet."},
      {22179, "Die Fortsetzung ist aufgrund von Fehlern in der FTP Server-Konfiguration leider nicht "
       "möglich."},
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
      {23856, "Erstelle Liste der Bilder der nicht zur Verfügung stehenden Kategorien..."},
      {23857, "Die Liste der nicht zur Verfügung stehenden Kategorien enthält %d Einträge."},
      {23858, "Die Liste der nicht zur Verfügung stehenden Kategorien wurde erstellt."},
      {23859, "Erstelle Liste der Bilder der nicht zur Verfügung stehenden Produkte..."},
      {23860, "Die Liste der nicht zur Verfügung stehenden Produkte enthält %d Einträge."},
      {23861, "Die Liste der nicht zur Verfügung stehenden Produkte enthält %d Einträge."},
      {23862, "Die Liste der nicht zur Verfügung stehenden Produkte wurde erstellt."},
      {23863, "Erstelle Liste der Bilder der nicht zur Verfügung stehenden Produktlinien..."},
      {23864, "Die Liste der nicht zur Verfügung steheden Produktlinien enthält %d Einträge."},
      {23865, "Die Liste der nicht zur Verfügung stehenden Produktlinien wurde erstellt."},
  };
  for (const auto& [number, text] : kMessages) EXPECT_EQ(ProgramText(number), text) << number;
}

TEST(StoreTexts, KeyTableCoversEveryStoreTextOnceInFileOrder) {
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
  EXPECT_EQ(keys[0].key, "GiftWarpItem");
  EXPECT_EQ(keys[155].key, "OlpHexMsg");
  EXPECT_EQ(keys[156].textId, 29997);
  EXPECT_EQ(keys[158].key, "AcceptOrdersFax");
  // Texts carrying Perl escapes or placeholders are written in double quotes.
  for (const auto& k : keys) {
    const bool escapes = k.key == "Mail_Order" || k.key == "SoldMin" || k.key == "SMTPErrorHotLine";
    const bool plain = k.key == "GiftWarpItem" || k.key == "OlpInfo";
    if (escapes || plain) {
      EXPECT_EQ(k.doubleQuoted, escapes) << k.key;
    }
  }
  EXPECT_EQ(ProgramText(30097), "Bestellung:\\n===========\\nAlle Preise in ");
  EXPECT_EQ(ProgramText(30142), "Ihre Gesamtsumme liegt noch unter dem Mindestbestellwert von %s %0.2f.");
  // A q{} text must not break its quoting.
  for (const auto& k : keys)
    if (!k.doubleQuoted) {
      std::string_view t = ProgramText(k.textId);
      EXPECT_EQ(std::count(t.begin(), t.end(), '{'), std::count(t.begin(), t.end(), '}')) << k.key;
    }
}

}  // namespace
}  // namespace vendora
