#pragma once
// A complete German demo shop (a garden supplier) that generates without further
// setup: company data, categories with pictures, products with pictures and items of
// two attributes, product lines, an index, two currencies, shipping with charge tables,
// payment methods, taxes, texts and web-server settings for a local test server.
#include <filesystem>
#include <string>

#include "common/status.h"

namespace vendora {

struct DemoShopOptions {
  int products = 36;
  // Distinct product pictures; products beyond share them (hard links), so a large
  // demo catalogue stays small on disk.
  int pictures = 2000;
  // The local test server the web-server settings point at.
  std::string serverUrl = "http://localhost:8080/";
  std::filesystem::path serverRoot = "/var/www/vendora-demo/";
};

// Creates `folder`/Demoshop.mdb with its subfolders and pictures. Returns the database
// path, or fails with a German reason (a folder or picture that cannot be written);
// database errors are thrown as DbError.
Result<std::filesystem::path> CreateDemoShop(const std::filesystem::path& folder, const DemoShopOptions& options = {});

}  // namespace vendora
