#pragma once
// Names that become paths: a shop name, a picture named by a graphic set.
#include <string_view>

namespace vendora {

// A name that stays inside the folder it is joined to: not empty, not "." or "..",
// without "/" or "\" and without control characters (a line break would also split
// the line of a settings or list file that holds the name).
bool IsPlainFileName(std::string_view name);

}  // namespace vendora
