#pragma once
// Own wording: publishing over SSH file transfer, and the atomic replacement of the
// live shop's files, which the older program did not have.
#include <string_view>

namespace vendora::texts {

inline constexpr std::string_view kPublishNothingDeleted =
    "Da nicht alle Dateien übertragen wurden, werden auf dem Server keine Dateien gelöscht; die nächste "
    "Veröffentlichung holt das nach.";
inline constexpr std::string_view kSftpConnectFailed =
    "Die SSH-Verbindung zu \"%s\" konnte nicht hergestellt werden: %s";
inline constexpr std::string_view kSftpHostKeyUnknown =
    "Der Host-Schlüssel des Servers \"%s\" ist unbekannt.\nSHA-256-Fingerabdruck: %s";
inline constexpr std::string_view kSftpHostKeyChanged =
    "Der Host-Schlüssel des Servers \"%s\" hat sich geändert! Das kann ein Angriff sein; die Verbindung wird nicht "
    "aufgebaut.\nNeuer SHA-256-Fingerabdruck: %s\nHat Ihr Provider den Schlüssel erneuert, entfernen Sie den alten "
    "Eintrag aus %s.";
inline constexpr std::string_view kSftpTrustQuestion =
    "%s\n\nWollen Sie diesem Server vertrauen und seinen Schlüssel in %s aufnehmen?\nVergleichen Sie den "
    "Fingerabdruck vorher mit der Angabe Ihres Providers.";
inline constexpr std::string_view kSftpTrustHint =
    "Wenn Sie dem Host-Schlüssel vertrauen, veröffentlichen Sie erneut mit --trust %s";
inline constexpr std::string_view kSftpHostKeyAdded = "Der Host-Schlüssel von \"%s\" wurde in %s aufgenommen.";
inline constexpr std::string_view kSftpHostKeyNotStored = "Der Host-Schlüssel konnte nicht in %s gespeichert werden: %s";
inline constexpr std::string_view kSftpLoggedOnWithKey = "Angemeldet mit einem Schlüssel.";
inline constexpr std::string_view kSftpLoggedOnWithPassword = "Angemeldet mit dem Kennwort.";
inline constexpr std::string_view kSftpAuthFailed =
    "Die Anmeldung als \"%s\" wurde abgelehnt: Weder ein Schlüssel noch das Kennwort wurde angenommen.";
inline constexpr std::string_view kSftpSubsystemFailed = "Der Server bietet keine SFTP-Übertragung an: %s";
inline constexpr std::string_view kSftpServerError = "Der SFTP-Server meldet einen Fehler bei \"%s\": %s";
inline constexpr std::string_view kSftpTimedOut =
    "Der SFTP-Server antwortet seit %d Sekunden nicht mehr; die Verbindung wird beendet.";
inline constexpr std::string_view kSftpConnectionLost = "Die Verbindung zum SFTP-Server ist unterbrochen: %s";

}  // namespace vendora::texts
