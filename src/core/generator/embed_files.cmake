# Writes a C++ source holding the bytes of files, for texts the program carries inside
# itself. Run as: cmake -DOUTPUT=<file.cpp> -DFILES=<path|path|...> -P embed_files.cmake
string(REPLACE "|" ";" files "${FILES}")
set(arrays "")
set(table "")
set(index 0)
foreach(file IN LISTS files)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  get_filename_component(name "${file}" NAME)
  # A trailing zero keeps an empty file a valid array; it is not part of the text.
  string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}0x00};\n")
  string(APPEND table "    {\"${name}\", std::string_view(reinterpret_cast<const char*>(kFile${index}), sizeof(kFile${index}) - 1)},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}" "// Generated from the storefront scripts by embed_files.cmake; do not edit.
#include \"generator/embedded_files.h\"

namespace vendora {
namespace {

${arrays}
const EmbeddedFile kFiles[] = {
${table}};

}  // namespace

std::span<const EmbeddedFile> StorefrontFiles() { return kFiles; }

}  // namespace vendora
")
