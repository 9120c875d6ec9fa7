#include "imaging/jpeg_codec.h"

namespace vendora {

bool CImageImplJpeg::Read(const std::string& fileName) { return CImageImpl::Read(fileName); }
bool CImageImplJpeg::Write(const std::string& fileName) { return CImageImpl::Write(fileName); }
bool CImageImplJpeg::ReadSize(const std::string& fileName, int& width, int& height) {
  return CImageImpl::ReadSize(fileName, width, height);
}

}  // namespace vendora
