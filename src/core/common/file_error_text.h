#pragma once
// File-system failures in German. std::filesystem reports them in English ("filesystem
// error: cannot create directories: No such file or directory [/proc/x]"); the merchant
// reads a sentence naming the path and the reason instead.
#include <filesystem>
#include <string>
#include <system_error>

namespace vendora {

// The reason alone, e.g. "nicht vorhanden", "keine Berechtigung", "Datenträger voll".
std::string FileErrorReason(std::error_code code);

// One sentence naming what failed, the path(s) and the reason, e.g. "Der Ordner
// '/proc/x' konnte nicht angelegt werden (nicht vorhanden)."
std::string FileErrorText(const std::filesystem::filesystem_error& error);

}  // namespace vendora
