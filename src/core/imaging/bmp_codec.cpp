#include "imaging/bmp_codec.h"

namespace vendora {

bool CImageImplBmp::Read(const std::string& fileName) { return CImageImpl::Read(fileName); }
bool CImageImplBmp::Write(const std::string& fileName) { return CImageImpl::Write(fileName); }
bool CImageImplBmp::ReadSize(const std::string& fileName, int& width, int& height) {
  return CImageImpl::ReadSize(fileName, width, height);
}

}  // namespace vendora
