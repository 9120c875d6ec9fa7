// Pictures: image info, convert, thumbnail.
#include <CLI/CLI.hpp>

#include <ostream>

#include "cli_prompter.h"
#include "command_group.h"
#include "imaging/image_file.h"
#include "imaging/image_refs.h"

namespace vendora {

namespace {

const char* ColourTypeName(int colourType) {
  switch (colourType) {
    case kColourGrey: return "Graustufen";
    case kColourTrue: return "Echtfarben";
    case kColourIndexed: return "Palette";
    default: return "unbekannt";
  }
}

int ImageInfo(const std::string& file, std::ostream& out, std::ostream& err) {
  CImageFile image;
  if (!image.Load(file)) {
    err << "Das Bild '" << file << "' konnte nicht gelesen werden.\n";
    return 1;
  }
  const CImageImpl& impl = *image.GetImpl();
  out << "Format: " << ExtensionOfFormat(image.GetFormat()) << "\nBreite: " << impl.GetWidth()
      << "\nHöhe: " << impl.GetHeight() << "\nBits pro Pixel: " << impl.GetBitsPerPixel()
      << "\nFarbtyp: " << impl.GetColourType() << " (" << ColourTypeName(impl.GetColourType()) << ")"
      << "\nPalette: " << (impl.GetPalette() ? impl.GetPalette()->size() : 0) << " Einträge"
      << "\nTransparenter Index: " << impl.GetTransparentIndex() << "\n";
  return 0;
}

int ImageConvert(const std::string& source, const std::string& target, std::ostream& err) {
  CImageFile image;
  if (!image.Load(source)) {
    err << "Das Bild '" << source << "' konnte nicht gelesen werden.\n";
    return 1;
  }
  if (FormatFromFileName(target) == ImageFormat::None || !image.Save(target)) {
    err << "Das Bild '" << target << "' konnte nicht geschrieben werden.\n";
    return 1;
  }
  return 0;
}

int ImageThumbnail(const std::string& source, const std::string& target, int quality, Prompter& prompter,
                   std::ostream& out, std::ostream& err) {
  // The thumbnail has true colours, which a GIF cannot hold.
  const ImageFormat format = FormatFromFileName(target);
  if (format == ImageFormat::None || format == ImageFormat::Gif) {
    err << "Ein Miniaturbild kann nur als .jpg, .jpeg, .png oder .bmp geschrieben werden, nicht als '" << target
        << "'.\n";
    return 1;
  }
  ImageSize full;
  auto made = WriteThumbnail(source, target, quality, &full, &prompter, format);
  if (!made) {
    err << (full.width > 0 ? "Das Miniaturbild '" + target + "' konnte nicht geschrieben werden.\n"
                           : "Das Bild '" + source + "' konnte nicht gelesen werden.\n");
    return 1;
  }
  out << source << " " << full.width << "x" << full.height << " -> " << target << " " << made->width << "x"
      << made->height << "\n";
  return 0;
}

class ImageCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    auto* image = app.add_subcommand("image", "Bilder prüfen, umwandeln und verkleinern");
    image->require_subcommand(1);
    info_ = image->add_subcommand("info", "Format, Größe, Farbtiefe und Palette eines Bildes zeigen");
    info_->add_option("FILE", path_, "Bilddatei")->required();
    convert_ = image->add_subcommand("convert", "Ein Bild im Format der Zieldatei speichern");
    convert_->add_option("SRC", path_, "Quelldatei")->required();
    convert_->add_option("DEST", target_, "Zieldatei (.bmp, .gif, .jpg, .jpeg, .png)")->required();
    thumbnail_ = image->add_subcommand("thumbnail",
                                       "Ein Miniaturbild (längere Seite 100 Pixel) im Format der Zieldatei erzeugen");
    thumbnail_->add_option("SRC", path_, "Quelldatei")->required();
    thumbnail_->add_option("DEST", target_, "Zieldatei (.jpg, .jpeg, .png, .bmp)")->required();
    thumbnail_->add_option("--quality", quality_, "JPEG-Qualität 1-100 (Vorgabe 85)")->check(CLI::Range(1, 100));
  }

  std::optional<int> Run(CliContext& c) override {
    if (*info_) return ImageInfo(path_, c.out, c.err);
    if (*convert_) return ImageConvert(path_, target_, c.err);
    if (*thumbnail_) return ImageThumbnail(path_, target_, quality_, c.prompter, c.out, c.err);
    return std::nullopt;
  }

 private:
  std::string path_, target_;
  int quality_ = 85;
  CLI::App *info_ = nullptr, *convert_ = nullptr, *thumbnail_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeImageCommands() { return std::make_unique<ImageCommands>(); }

}  // namespace vendora
