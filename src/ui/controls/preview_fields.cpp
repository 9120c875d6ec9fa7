#include "controls/preview_fields.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "dialogs.h"
#include "generator/graphic_sets.h"
#include "imaging/image_file.h"
#include "ui_text.h"

namespace vendora {

PicturePreview::PicturePreview(QSize box, QWidget* parent) : QLabel(parent) {
  setFixedSize(box);
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::StyledPanel);
  setWordWrap(true);
}

bool PicturePreview::ShowFile(const std::optional<std::filesystem::path>& file) {
  clear();
  setToolTip(QString());
  if (!file) return true;
  setToolTip(QPath(*file));
  CImageFile picture;
  if (!picture.Load(file->string()) || !picture.GetImpl()) {
    setText(QPath(file->filename()));
    return false;
  }
  const CImageImpl& raster = *picture.GetImpl();
  // The raster hand-over: top-down RGBA bytes, copied because the image goes away.
  const std::vector<uint8_t> rgba = raster.ToRgba();
  const QImage image =
      QImage(rgba.data(), raster.GetWidth(), raster.GetHeight(), raster.GetWidth() * 4, QImage::Format_RGBA8888)
          .copy();
  const QSize room = size() - QSize(4, 4);
  const QImage shown = image.width() > room.width() || image.height() > room.height()
                           ? image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                           : image;
  setPixmap(QPixmap::fromImage(shown));
  return true;
}

ColourField::ColourField(UiDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  edit_ = new QLineEdit(this);
  edit_->setMaxLength(7);
  edit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("#?[0-9A-Fa-f]{0,6}")), edit_));
  edit_->setPlaceholderText(QStringLiteral("#RRGGBB"));
  swatch_ = new QPushButton(this);
  swatch_->setFixedWidth(40);
  swatch_->setToolTip(QStringLiteral("Farbe wählen"));
  layout->addWidget(edit_);
  layout->addWidget(swatch_);
  connect(edit_, &QLineEdit::textEdited, this, [this] {
    ShowSwatch();
    emit Edited();
  });
  connect(swatch_, &QPushButton::clicked, this, &ColourField::Choose);
  ShowSwatch();
}

int32_t ColourField::Colour() const { return ParseColour(U(edit_->text())); }

void ColourField::SetColour(int32_t colour) {
  edit_->setText(colour < 0 ? QString() : Q(FormatColour(colour)));
  ShowSwatch();
}

void ColourField::ShowSwatch() {
  const int32_t colour = Colour();
  swatch_->setStyleSheet(colour < 0 ? QString()
                                    : QStringLiteral("background-color: %1;").arg(Q(FormatColour(colour))));
}

void ColourField::Choose() {
  const int32_t current = std::max(Colour(), 0);
  // The dialog speaks 0xRRGGBB; the shop keeps red in the low byte.
  const uint32_t rgb = static_cast<uint32_t>(((current & 0xFF) << 16) | (current & 0xFF00) | ((current >> 16) & 0xFF));
  const std::optional<uint32_t> chosen = dialogs_.ChooseColour(rgb);
  if (!chosen) return;
  SetColour(RgbColour(static_cast<int>((*chosen >> 16) & 0xFF), static_cast<int>((*chosen >> 8) & 0xFF),
                      static_cast<int>(*chosen & 0xFF)));
  emit Edited();
}

}  // namespace vendora
