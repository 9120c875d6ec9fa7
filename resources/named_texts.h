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
inline constexpr std::string_view kSettingsNotSaved =
    "Die Einstellungen konnten nicht in '%s' gespeichert werden.";  // own wording

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
    "Der Name '%s' ist kein gültiger Dateiname für einen Shop. Er darf nicht leer, nicht \".\" oder \"..\" "
    "und nicht länger als 251 Byte sein und weder Steuerzeichen noch eines der Zeichen < > | * ? / \\ "
    "enthalten.";
inline constexpr std::string_view kShopNotInList = "Der Shop '%s' ist nicht in der Shop-Liste.";
inline constexpr std::string_view kNoShopOpen = "Es ist kein Shop geöffnet.";

// Own wording: the demo shop of the command line.
inline constexpr std::string_view kDemoShopCreated = "Der Demo-Shop wurde angelegt: %s";
inline constexpr std::string_view kDemoShopExists =
    "In '%s' gibt es bereits einen Demo-Shop. Soll er durch einen neuen ersetzt werden?";
inline constexpr std::string_view kDemoShopFailed = "Der Demo-Shop konnte nicht angelegt werden: %s";

// Database error report
inline constexpr std::string_view kDbErrorTitle = "Vendora - Fehlermeldung...";
inline constexpr std::string_view kDbErrorBody = "%sDAO Fehlernr.: %d\r\n\r\nBeschreibung:\r\n%s";

// Rows the program writes into every shop
inline constexpr std::string_view kPaymentDirectDebit = "Lastschrift (Bankeinzug)";
inline constexpr std::string_view kPaymentCreditCard = "Kreditkarte";
inline constexpr std::string_view kNoAttribute = "[Kein Attribut]";
inline constexpr std::string_view kNotIndexed = "[Nicht indizieren]";

// Generation run
inline constexpr std::string_view kAskRegenerate =
    "An dem Shop wurden seit der letzten Erzeugung keine\nÄnderungen mehr vorgenommen. Trotzdem neu erzeugen?";
inline constexpr std::string_view kBannerGenerating = "--- Tolm! Vendora - %c - Generating Shop ---";
inline constexpr std::string_view kBannerGenerated = "--- Tolm! Vendora - %c - Shop generated ---";
inline constexpr std::string_view kOpeningTables = "Öffne Datenbanktabellen...";
inline constexpr std::string_view kOpeningTablesFailed =
    "Während des Öffnens der Datenbank ist ein Fehler aufgetreten. Eine Fortsetzung ist nicht möglich!";
inline constexpr std::string_view kMissingWebServer = "Erforderliche Web-Server-Angaben fehlen!";  // own wording
inline constexpr std::string_view kMissingCategories = "Erforderliche Kategorieeinträge fehlen.";
inline constexpr std::string_view kMissingProducts = "Erforderliche Produkteinträge fehlen!";
inline constexpr std::string_view kMissingItems = "Erforderliche Artikeleinträge fehlen!";
inline constexpr std::string_view kMissingIndex = "Erforderliche Indexeinträge fehlen!";
inline constexpr std::string_view kMissingProdLines = "Erforderliche Produktlinienzuweisungen fehlen!";
inline constexpr std::string_view kMissingTaxes = "Erforderliche Steuereinträge fehlen!";
inline constexpr std::string_view kMissingLines = "Erforderliche Produktlineieneinträge fehlen.";
inline constexpr std::string_view kMissingLanguage = "Erforderliche Textangaben (Text-Informationen) fehlen!";
inline constexpr std::string_view kMissingInterfaces = "Erforderliche Darstellungsangaben fehlen!";
inline constexpr std::string_view kMissingOptions = "Erforderliche Optionsangaben fehlen!";
inline constexpr std::string_view kMissingCompany = "Erforderliche allgemeine Shopangaben fehlen!";
inline constexpr std::string_view kMissingPayvane = "Erforderliche Payvane Angaben fehlen!";
inline constexpr std::string_view kMissingMainAttributes = "Erforderliche Haupteigenschaften fehlen!";
inline constexpr std::string_view kMissingSubAttributes = "Erforderliche Nebeneigenschaften fehlen!";  // own wording
inline constexpr std::string_view kCreatingFolders = "Die benötigten Verzeichnisse werden erzeugt.";
inline constexpr std::string_view kFoldersCreated = "Die Verzeichnisse wurden erfolgreich erzeugt.";
inline constexpr std::string_view kFoldersFailed = "Die Verzeichnisse konnten nicht erzeugt werden.";
inline constexpr std::string_view kClosingTables = "Schließe Datenbanktabellen...";
inline constexpr std::string_view kTotalSize = "Zur Information: Der erzeugte Shop benötigt %d Bytes auf dem Server.";
inline constexpr std::string_view kReadyToPublish = "Ihr Shop ist jetzt zur Veröffentlichung bereit.";

// Log viewer
inline constexpr std::string_view kLogTail = "Es können nur die letzten %d KB\nder Protokolldatei angezeigt werden.";
inline constexpr std::string_view kLogCannotOpen = "Kann die Log-Datei '%s' nicht öffnen!";
inline constexpr std::string_view kLogSaved = "Die Protokolldatei '%s' wurde gespeichert!";
inline constexpr std::string_view kLogDeleteQuestion = "Soll die Protokolldatei wirklich entfernt werden?";
inline constexpr std::string_view kLogSaveQuestion = "Änderungen an dem Protokoll speichern?";

// Catalogue data files
inline constexpr std::string_view kCreatingCategoryToc = "Erstelle Datei \"data/category.toc\"...";
inline constexpr std::string_view kCreatingCategoryIdx = "Erstelle Datei \"data/category.idx\"...";
inline constexpr std::string_view kCreatingProductToc = "Erstelle Datei  \"data/product.toc\"...";
inline constexpr std::string_view kCreatingProductIdx = "Erstelle Datei  \"data/product.idx\"...";
inline constexpr std::string_view kCreatingItemsToc = "Erstelle Datei \"data/items.toc\"...";
inline constexpr std::string_view kCreatingLinesToc = "Erstelle Datei  \"data/lines.toc\"...";
inline constexpr std::string_view kCreatingLineIdx = "Erstelle Datei  \"data/line.idx\"...";
inline constexpr std::string_view kCreatingIndexToc = "Erstelle Datei  \"data/index.toc\"...";
inline constexpr std::string_view kCreatingIndexIdx = "Erstelle Datei  \"data/index.idx\"...";
inline constexpr std::string_view kItemsWritten = "Artikeleinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kProductsWritten = "Produkteinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kCategoryIndexWritten = "Kategorieindexeinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kCategoriesWritten = "Kategorieeinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kLinesWritten = "Produktlinieneinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kIndexWritten = "Indexeinträge geschrieben: %d (%d bytes).";
inline constexpr std::string_view kFileWritten = "Datei geschrieben \"%s\".";
inline constexpr std::string_view kNoCategories = "Es wurden keine Kategorieeinträge gefunden!";
inline constexpr std::string_view kNoProducts = "Es wurden keine Produkteinträge gefunden!";
inline constexpr std::string_view kNoItems = "Es wurden keine Artikeleinträge gefunden!";
inline constexpr std::string_view kNoLines = "Es wurden keine Produktlinieneinträge gefunden!";
inline constexpr std::string_view kNoIndexEntries = "Es wurden keine Indexeinträge gefunden!";

// Own wording: the settings pages' checks of what was typed.
inline constexpr std::string_view kFieldTooLong =
    "Die Angabe im Feld \"%s\" ist zu lang: erlaubt sind höchstens %d Zeichen.";
inline constexpr std::string_view kFieldNotHex =
    "Im Feld \"%s\" sind nur die Ziffern 0 bis 9 und die Buchstaben A bis F erlaubt.";
inline constexpr std::string_view kPasswordUnavailable =
    "Das Kennwort kann auf diesem System nicht verschlüsselt werden (crypt).";

}  // namespace vendora::texts
