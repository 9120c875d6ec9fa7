#include "imaging/png_codec.h"

namespace vendora {

bool CImageImplPng::Read(const std::string& fileName) { return CImageImpl::Read(fileName); }
bool CImageImplPng::Write(const std::string& fileName) { return CImageImpl::Write(fileName); }
bool CImageImplPng::ReadSize(const std::string& fileName, int& width, int& height) {
  return CImageImpl::ReadSize(fileName, width, height);
}

}  // namespace vendora
