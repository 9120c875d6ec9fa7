#pragma once
// The preview fields of the editing pages. A picture field shows a picture as the
// shop's own picture code decodes it (so the merchant sees what the generator will
// use, not what Qt happens to read), scaled down into its box; a file that cannot be
// decoded shows its name instead. A colour field takes "#RRGGBB" typed or chosen in
// Qt's colour dialog and shows it on a swatch.
#include <QLabel>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <optional>

class QLineEdit;
class QPushButton;

namespace vendora {

class UiDialogs;

class PicturePreview : public QLabel {
  Q_OBJECT
 public:
  PicturePreview(QSize box, QWidget* parent = nullptr);
  // Nothing shown for nullopt. False when the file could not be decoded.
  bool ShowFile(const std::optional<std::filesystem::path>& file);
};

class ColourField : public QWidget {
  Q_OBJECT
 public:
  ColourField(UiDialogs& dialogs, QWidget* parent = nullptr);

  // The colour as the shop stores it (Windows order: red in the low byte), -1 for a
  // text that is no colour.
  int32_t Colour() const;
  void SetColour(int32_t colour);
  QLineEdit* Edit() const { return edit_; }
  QPushButton* Swatch() const { return swatch_; }

 signals:
  // The merchant typed or chose a colour (not emitted by SetColour).
  void Edited();

 private:
  void ShowSwatch();
  void Choose();

  UiDialogs& dialogs_;
  QLineEdit* edit_;
  QPushButton* swatch_;
};

}  // namespace vendora
