#include "qt_dialogs.h"

#include <QFileDialog>

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

std::optional<std::filesystem::path> QtDialogs::ChooseLogoFile() {
  const QString file = QFileDialog::getOpenFileName(
      parent_, QStringLiteral("Shop-Logo wählen"), QString(),
      QStringLiteral("Bilder (*.gif *.jpg *.jpeg *.png *.bmp);;Alle Dateien (*)"));
  if (file.isEmpty()) return std::nullopt;
  return FsPath(file);
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
