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

// Generation: own wording
inline constexpr std::string_view kLegalTextMissing =
    "Warnung: Die %s des Shops ist leer; die Seite zeigt nur einen Hinweis darauf. Bitte tragen Sie den Text ein.";

// Company page: own wording
inline constexpr std::string_view kInvalidEmailAddress =
    "\"%s\" im Feld \"%s\" ist keine gültige E-Mail-Adresse. Bitte geben Sie sie in der Form name@beispiel.de "
    "ein oder lassen Sie das Feld leer.";
inline constexpr std::string_view kInvalidEmailWarning =
    "Warnung: \"%s\" im Feld \"%s\" der Firmenangaben ist keine gültige E-Mail-Adresse; Bestellungen und "
    "Anfragen an diese Adresse gehen verloren.";

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
inline constexpr std::string_view kSealKeyNotStored =
    "Der Schlüssel, mit dem der Shop Kartenzahlungen versiegelt, konnte nicht in der Shop-Datenbank "
    "gespeichert werden.";  // own wording
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

// Own wording: publishing over FTP, for what the older client never guarded against
// (dead servers, foreign data addresses, hostile listings) and for FTP over TLS.
inline constexpr std::string_view kFtpConnectionLost = "Die Verbindung zum FTP-Server ist unterbrochen: %s";
inline constexpr std::string_view kFtpConnectFailed = "Die Serververbindung konnte nicht hergestellt werden: %s";
inline constexpr std::string_view kFtpCommandHasLineEnd =
    "Der FTP-Befehl enthält ein Zeilenende oder Steuerzeichen und wird nicht gesendet.";
inline constexpr std::string_view kFtpReplyTooLong = "Die Antwort des FTP-Servers ist zu lang.";
inline constexpr std::string_view kFtpServerClosed = "Der FTP-Server hat die Verbindung beendet.";
inline constexpr std::string_view kFtpForeignPasvHost =
    "Der FTP-Server nannte für die Datenverbindung die Adresse %s; verbunden wird stattdessen mit %s, der Adresse "
    "der Steuerverbindung.";
inline constexpr std::string_view kFtpForeignDataPeer =
    "Eine Datenverbindung von %s wurde abgewiesen; erwartet wurde der FTP-Server %s.";
inline constexpr std::string_view kFtpActiveNeedsIpv4 =
    "Der aktive Modus ist nur über IPv4 möglich; bitte verwenden Sie den passiven Modus.";
inline constexpr std::string_view kFtpDataFailed = "Die Datenverbindung ist fehlgeschlagen: %s";
inline constexpr std::string_view kFtpTlsRefused =
    "Der FTP-Server bietet keine verschlüsselte Verbindung (AUTH TLS) an: %s";
inline constexpr std::string_view kFtpTlsProtectionRefused =
    "Der FTP-Server lehnt die verschlüsselte Datenübertragung ab: %s";
inline constexpr std::string_view kFtpCertificateUntrusted =
    "Das Zertifikat des FTP-Servers \"%s\" ist nicht vertrauenswürdig. %s\nSHA-256-Fingerabdruck: %s";
inline constexpr std::string_view kFtpCertificateTrustedByFingerprint =
    "Das Zertifikat des FTP-Servers wird anhand seines gespeicherten Fingerabdrucks akzeptiert.";
inline constexpr std::string_view kFtpDataCertificateChanged =
    "Die Datenverbindung zeigt ein anderes Zertifikat als die Steuerverbindung.";
inline constexpr std::string_view kFtpTrustQuestion =
    "%s\n\nWollen Sie diesem Zertifikat für diesen Shop künftig vertrauen?\nVergleichen Sie den Fingerabdruck "
    "vorher mit der Angabe Ihres Providers.";
inline constexpr std::string_view kFtpTrustStored = "Der Fingerabdruck des Zertifikats wurde gespeichert.";
inline constexpr std::string_view kFtpOverlongListingLine =
    "Eine Zeile des Verzeichnisses ist länger als %d Zeichen und wird übergangen.";
inline constexpr std::string_view kFtpUnsafeRemoteName =
    "\"%s\" im Verzeichnis \"%s\" ist keine einfache Datei und wird nicht gelöscht.";
inline constexpr std::string_view kFtpScriptNotWritten =
    "Das Skript \"%s\" konnte nicht geschrieben werden und wird nicht übertragen.";
inline constexpr std::string_view kFtpNothingToPublish =
    "Der erzeugte Shop enthält keine Dateien; es gibt nichts zu veröffentlichen.";
inline constexpr std::string_view kFtpListingTooLarge =
    "Das Verzeichnis \"%s\" auf dem Server ist zu groß (mehr als %d Einträge oder %d MB); die Veröffentlichung wird "
    "abgebrochen.";
inline constexpr std::string_view kFtpDeadlinePassed =
    "Die Veröffentlichung hat ihr Zeitlimit überschritten und wird abgebrochen.";
inline constexpr std::string_view kFtpFileNotSent = "Die Datei \"%s\" wurde nicht übertragen: %s";
inline constexpr std::string_view kFtpFilesNotSent =
    "Die Veröffentlichung ist fehlgeschlagen; nicht übertragen: %d Datei(en). Die nächste Aktualisierung sendet "
    "sie erneut.";
inline constexpr std::string_view kFtpPublishFailed =
    "Die Veröffentlichung ist fehlgeschlagen. Die Gründe stehen in der Liste der Übertragung und im Protokoll; Ihr "
    "Shop auf dem Server ist möglicherweise nicht vollständig.";
inline constexpr std::string_view kFtpRunIncomplete =
    "Die Veröffentlichung ist nicht vollständig: Die Verbindung zum Server ging verloren oder wurde abgebrochen.";

// Own wording: publishing from the command line (dry run, certificates).
inline constexpr std::string_view kDryRunHeader =
    "Probelauf: Auf dem Server wird nichts gesendet, gelöscht oder angelegt.";
inline constexpr std::string_view kDryRunScripts = "Skript-Verzeichnis \"%s\": %s";
inline constexpr std::string_view kDryRunScriptsNewFolder = "Skript-Verzeichnis \"%s\" (wird angelegt): %s";
inline constexpr std::string_view kDryRunShop = "Shop-Verzeichnis \"%s\":";
inline constexpr std::string_view kDryRunShopNewFolder = "Shop-Verzeichnis \"%s\" (wird angelegt):";
inline constexpr std::string_view kDryRunNewFolder = "Verzeichnis \"%s\" wird angelegt.";
inline constexpr std::string_view kDryRunSummary =
    "Zusammen: %d Dateien senden (%d Bytes), %d überspringen (%d Bytes), %d löschen, %d behalten; dazu %d Skripte.";
inline constexpr std::string_view kBadFingerprint =
    "\"%s\" ist kein SHA-256-Fingerabdruck (64 Hexadezimalziffern), oder der Shop hat noch keine FTP-Einstellungen.";
inline constexpr std::string_view kTrustHint =
    "Wenn Sie dem Zertifikat vertrauen, veröffentlichen Sie erneut mit --trust %s";

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
inline constexpr std::string_view kFieldNotFingerprint =
    "Im Feld \"%s\" steht kein SHA-256-Fingerabdruck (64 Hexadezimalziffern).";
inline constexpr std::string_view kPasswordUnavailable =
    "Das Kennwort kann auf diesem System nicht verschlüsselt werden (crypt).";

}  // namespace vendora::texts
