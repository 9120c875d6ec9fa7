#include "common/file_error_text.h"

#include <cerrno>
#include <string_view>

#include "common/text_format.h"

namespace vendora {

std::string FileErrorReason(std::error_code code) {
  if (code.category() != std::generic_category() && code.category() != std::system_category())
    return Format("Fehler %d", code.value());
  switch (code.value()) {
    case ENOENT: return "nicht vorhanden";
    case EACCES:
    case EPERM: return "keine Berechtigung";
    case EEXIST: return "ist bereits vorhanden";
    case ENOTDIR: return "ein Teil des Pfades ist kein Ordner";
    case EISDIR: return "ist ein Ordner";
    case ENOTEMPTY: return "der Ordner ist nicht leer";
    case ENOSPC: return "der Datenträger ist voll";
    case EDQUOT: return "der zugeteilte Speicherplatz ist erschöpft";
    case EROFS: return "das Dateisystem ist schreibgeschützt";
    case ENAMETOOLONG: return "der Name ist zu lang";
    case EXDEV: return "liegt auf einem anderen Dateisystem";
    case ELOOP: return "zu viele symbolische Verknüpfungen";
    case EMLINK: return "zu viele Verknüpfungen";
    case EBUSY: return "wird gerade verwendet";
    case EINVAL: return "ungültige Angabe";
    case EIO: return "Ein-/Ausgabefehler";
    case ENOMEM: return "nicht genug Speicher";
    default: return Format("Systemfehler %d", code.value());
  }
}

std::string FileErrorText(const std::filesystem::filesystem_error& error) {
  // libstdc++ names the operation in English between "filesystem error: " and the reason.
  const std::string_view what = error.what();
  auto names = [&](std::string_view operation) { return what.find(operation) != std::string_view::npos; };
  const std::string first = error.path1().string(), second = error.path2().string();
  const std::string reason = FileErrorReason(error.code());
  if (first.empty()) return Format("Ein Dateizugriff ist fehlgeschlagen (%s).", reason);
  if (names("create director")) return Format("Der Ordner '%s' konnte nicht angelegt werden (%s).", first, reason);
  if (names("copy") && !second.empty())
    return Format("'%s' konnte nicht nach '%s' kopiert werden (%s).", first, second, reason);
  if (names("rename") && !second.empty())
    return Format("'%s' konnte nicht in '%s' umbenannt werden (%s).", first, second, reason);
  if (names("link") && !second.empty())
    return Format("Die Verknüpfung '%s' auf '%s' konnte nicht angelegt werden (%s).", second, first, reason);
  if (names("remove")) return Format("'%s' konnte nicht gelöscht werden (%s).", first, reason);
  if (names("permissions")) return Format("Die Rechte von '%s' konnten nicht gesetzt werden (%s).", first, reason);
  if (names("directory iterator")) return Format("Der Ordner '%s' konnte nicht gelesen werden (%s).", first, reason);
  if (names("resize") || names("last write time"))
    return Format("'%s' konnte nicht geändert werden (%s).", first, reason);
  return Format("Auf '%s' konnte nicht zugegriffen werden (%s).", first, reason);
}

}  // namespace vendora
