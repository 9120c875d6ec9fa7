#pragma once
// Between the core's UTF-8 texts and paths and Qt's strings.
#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace vendora {

inline QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline std::string U(const QString& text) { return text.toStdString(); }
inline QString QPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
inline std::filesystem::path FsPath(const QString& path) { return std::filesystem::path(path.toStdString()); }

// A file filter in the classic form "Text(*.mdb)|*.mdb||" as a Qt dialog takes it
// ("Text(*.mdb)" entries separated by ";;").
QString DialogFilter(std::string_view classicFilter);

}  // namespace vendora
