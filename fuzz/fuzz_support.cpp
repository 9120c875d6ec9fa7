#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "imaging/image_file.h"

namespace vendora::fuzz {

const std::string& WriteInput(const uint8_t* data, size_t size, const char* extension) {
  static std::map<std::string, std::string> paths;
  std::string& path = paths[extension];
  if (path.empty())
    path = (std::filesystem::temp_directory_path() / ("vendora-fuzz-" + std::to_string(getpid()) + "." + extension))
               .string();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

void Exercise(const std::string& path) {
  CImageFile image;
  int w = 0, h = 0;
  image.ReadSize(w, h, path);
  CImageFile full;
  if (!full.Load(path)) return;
  const std::string out = path + ".out" + path.substr(path.rfind('.'));
  if (auto small = full.CreateScaledCopy(out, 7, 5)) small->Save(out);
  if (IsSmall(full.GetWidth(), full.GetHeight())) full.Save(out);
  std::remove(out.c_str());
}

}  // namespace vendora::fuzz
