#pragma once
// What the preview window shows and remembers; the window itself is the desktop
// program's. Its nine page buttons, which of them can be used, and the size it leaves
// behind for the PreviewSize setting.
#include <array>
#include <filesystem>
#include <string_view>

namespace vendora {

struct PreviewPageButton {
  std::string_view caption;
  std::string_view file;
};

// In button order; the window opens on the first.
inline constexpr std::array<PreviewPageButton, 9> kPreviewPageButtons = {{
    {"&Eingang", "StoreFront.html"},
    {"&Kategorie", "Category.html"},
    {"&Produkt", "Product.html"},
    {"&Index", "IndexPage.html"},
    {"&Suchen", "Search.html"},
    {"&Warenkorb", "ShopCart.html"},
    {"Bestellen &1", "Order1.html"},
    {"Bestellen &2", "Order2.html"},
    {"&Geschenk.", "GiftWrap.html"},
}};

inline constexpr std::string_view kPreviewWindowTitle = "Tolm! Vendora - Vorschau";

// A button is usable only when its page was written: the file exists and is not empty.
bool PreviewPageWritten(const std::filesystem::path& previewFolder, std::string_view file);

// The PreviewSize triple a closed window leaves: 0,0,1 when maximised, else the
// restored window's width and height and 0.
std::array<int, 3> PreviewSizeOnClose(bool maximised, int width, int height);

}  // namespace vendora
