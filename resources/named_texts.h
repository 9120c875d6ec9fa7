#pragma once
// German program texts that carry no number: the messages of the shop list, of
// opening and creating shops, and the fixed names the program writes into a shop.
// Texts marked "own wording" are this program's sentences for failures the older
// texts never covered.
#include <string_view>

namespace vendora::texts {

// Program identity and window
inline constexpr std::string_view kVersionInfoUnreadable =
    "Die Programmversionsinformation können nicht geladen werden.\nVendora wird jetzt beendet.";
inline constexpr std::string_view kWindowTitle = "Tolm! Vendora";
inline constexpr std::string_view kWindowTitleWithShop = "Tolm! Vendora - %s";

// Shop list on the company page
inline constexpr std::string_view kSaveCompanyChanges =
    "Sollen die in diesem Dialog von Ihnen vorgenommenen Änderungen gespeichert werden?";
inline constexpr std::string_view kNewShopButton = "&Neuer Shop...";
inline constexpr std::string_view kAddShopButton = "&Hinzufügen...";
inline constexpr std::string_view kRemoveShopButton = "Entfernen...";
inline constexpr std::string_view kCompactButton = "Komprimieren...";
inline constexpr std::string_view kCompactTooltip =
    "Hier klicken, um die verwendete Datenbank zu komprimieren und zu optimieren.";
inline constexpr std::string_view kNewShopDialogTitle = "Neuen Shop erzeugen...";
inline constexpr std::string_view kNewShopNameLabel = "&Dateiname für Ihren neuen Shop:";
inline constexpr std::string_view kNewShopNameTooltip =
    "Geben Sie bitte einen normalen Dateinamen für Ihr neues Shop ein. Bitte beachten:\n"
    "Die folgenden Zeichen dürfen im Dateinamen nicht enthalten sein: * < > | \\ / * and ?.";
inline constexpr std::string_view kFolderNotCreated =
    "Das Verzeichnis\n'%s'\nkonnte nicht angelegt werden.\nWählen Sie bitte einen anderen Dateinamen.\n";
inline constexpr std::string_view kOverwriteShop =
    "Die Datei\n'%s'\nist bereits vorhanden.\nWollen Sie sie wirklich durch einen neuen, leeren Shop "
    "überschreiben?\n";
inline constexpr std::string_view kShopCreationFailed =
    "Bei der Erzeugung des neuen Shops trat ein Fehler auf!\nEine Fortsetzung ist leider nicht möglich.\n";
inline constexpr std::string_view kShopCreated = "Der neue Shop %s wurde angelegt.";
inline constexpr std::string_view kShopListError = "Ein Fehler trat bei der Erzeugung der Shop-Liste auf.";
inline constexpr std::string_view kAddShopFilter = "Vendora-Dateien(*.mdb)|*.mdb||";
inline constexpr std::string_view kRemoveShopQuestion = "Wollen Sie wirklich '%s' aus der Shop-Liste entfernen?";

// Opening a shop
inline constexpr std::string_view kCloseFailed =
    "Die Datenbank konnte nicht geschlossen werden. Sie sollten Vendora neu starten.";
inline constexpr std::string_view kWriteProtectedQuestion =
    "Der angegebene Shop ist schreibgeschützt.\nSoll der Schreibschutz zum Bearbeiten entfernt werden?";
inline constexpr std::string_view kVersionMismatch =
    "Vendora kann den gewählten Shop leider nicht laden, da Shop und Programmversion unterschiedlich sind.";
inline constexpr std::string_view kLanguageMismatch =
    "Die Sprachangabe des gewählten Shops stimmt \nnicht mit der des Vendora-Programms überein.\n\n"
    "   Shop: %s,\n   Vendora: %s. \n\nSoll die Sprache des Shops angepaßt werden?";
inline constexpr std::string_view kLanguageGerman = "Deutsch";
inline constexpr std::string_view kLanguageEnglish = "Englisch";
inline constexpr std::string_view kLanguageSpanish = "Spanisch";
inline constexpr std::string_view kLanguageUnknown = "Unbekannt";

// Own wording: failures on opening that the engine would otherwise describe in English.
inline constexpr std::string_view kShopFileMissing = "Die Shop-Datei '%s' ist nicht vorhanden.";
inline constexpr std::string_view kShopFileUnreadable = "Die Shop-Datei '%s' kann nicht gelesen werden.";
inline constexpr std::string_view kShopStaysWriteProtected =
    "Der Shop '%s' ist schreibgeschützt und wurde daher nicht geöffnet.";
inline constexpr std::string_view kShopNameInvalid =
    "Der Name '%s' ist kein gültiger Dateiname für einen Shop. Er darf nicht leer sein und keines der "
    "Zeichen < > | * ? / \\ enthalten.";
inline constexpr std::string_view kShopNotInList = "Der Shop '%s' ist nicht in der Shop-Liste.";
inline constexpr std::string_view kNoShopOpen = "Es ist kein Shop geöffnet.";

// Database error report
inline constexpr std::string_view kDbErrorTitle = "Vendora - Fehlermeldung...";
inline constexpr std::string_view kDbErrorBody = "%sDAO Fehlernr.: %d\r\n\r\nBeschreibung:\r\n%s";

// Rows the program writes into every shop
inline constexpr std::string_view kPaymentDirectDebit = "Lastschrift (Bankeinzug)";
inline constexpr std::string_view kPaymentCreditCard = "Kreditkarte";
inline constexpr std::string_view kNoAttribute = "[Kein Attribut]";
inline constexpr std::string_view kNotIndexed = "[Nicht indizieren]";

}  // namespace vendora::texts
