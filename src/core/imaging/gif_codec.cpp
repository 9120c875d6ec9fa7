#include "imaging/gif_codec.h"

namespace vendora {

bool CImageImplGif::Read(const std::string& fileName) { return CImageImpl::Read(fileName); }
bool CImageImplGif::Write(const std::string& fileName) { return CImageImpl::Write(fileName); }
bool CImageImplGif::ReadSize(const std::string& fileName, int& width, int& height) {
  return CImageImpl::ReadSize(fileName, width, height);
}

}  // namespace vendora
