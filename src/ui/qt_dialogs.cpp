#include "qt_dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>

#include "common/program_text.h"
#include "log_viewer_dialog.h"
#include "new_shop_dialog.h"
#include "password_dialogs.h"
#include "preview_window.h"
#include "ui_text.h"

namespace vendora {

std::optional<std::string> QtDialogs::AskNewShopName(const std::string& initial) {
  NewShopDialog dialog(parent_);
  dialog.SetName(Q(initial));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return U(dialog.Name());
}

std::optional<std::filesystem::path> QtDialogs::ChooseShopFile() {
  QFileDialog dialog(parent_);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilter(DialogFilter(texts::kAddShopFilter));
  dialog.setDefaultSuffix(QStringLiteral("mdb"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FsPath(dialog.selectedFiles().first());
}

std::optional<std::filesystem::path> QtDialogs::ChoosePictureFile(std::string_view caption) {
  const QString file = QFileDialog::getOpenFileName(
      parent_, Q(caption), QString(), QStringLiteral("Bilder (*.gif *.jpg *.jpeg *.png *.bmp);;Alle Dateien (*)"));
  if (file.isEmpty()) return std::nullopt;
  return FsPath(file);
}

std::optional<std::filesystem::path> QtDialogs::ChooseDataFile(std::string_view caption, std::string_view filter,
                                                              bool save) {
  const QString filters = Q(filter) + QStringLiteral(";;Alle Dateien (*)");
  const QString file = save ? QFileDialog::getSaveFileName(parent_, Q(caption), QString(), filters)
                            : QFileDialog::getOpenFileName(parent_, Q(caption), QString(), filters);
  if (file.isEmpty()) return std::nullopt;
  return FsPath(file);
}

std::optional<uint32_t> QtDialogs::ChooseColour(uint32_t current) {
  const QColor chosen = QColorDialog::getColor(QColor::fromRgb(current), parent_, QStringLiteral("Farbe wählen"));
  if (!chosen.isValid()) return std::nullopt;
  return chosen.rgb() & 0xFFFFFFu;
}

std::optional<std::string> QtDialogs::AskName(std::string_view caption, std::string_view prompt,
                                              const std::string& initial) {
  bool ok = false;
  const QString name = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return U(name);
}

bool QtDialogs::EnterPayvanePassword(PayvaneLock& lock) {
  PasswordEntryDialog dialog(lock, parent_);
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::ChangePayvanePassword(PayvaneLock& lock, bool hasPassword) {
  PasswordChangeDialog dialog(lock, hasPassword, parent_);
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::ShowLogViewer(const std::filesystem::path& logFile) {
  LogViewerDialog dialog(logFile, prompter_, parent_);
  if (dialog.Load()) dialog.exec();
}

PreviewOutcome QtDialogs::ShowPreview(const std::filesystem::path& previewFolder,
                                      const std::optional<std::array<int, 3>>& size) {
  PreviewWindow window(previewFolder, size, parent_);
  window.exec();
  return window.Outcome();
}

}  // namespace vendora
