#pragma once
// The log viewer of the publish page: the shop's log file, editable, with Save, Delete
// and Close; what each button does is the core's log viewer logic.
#include <QDialog>

#include <filesystem>

class QPlainTextEdit;
class QPushButton;

namespace vendora {

class Prompter;

class LogViewerDialog : public QDialog {
  Q_OBJECT
 public:
  LogViewerDialog(std::filesystem::path logFile, Prompter& prompter, QWidget* parent = nullptr);
  // Reads the file (telling when only its tail is shown). False when it cannot be
  // opened; the merchant has been told.
  bool Load();

  QPlainTextEdit* Text() const { return text_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* DeleteButton() const { return delete_; }
  bool Edited() const { return edited_; }

  void done(int result) override;  // closing with unsaved edits asks first

 private:
  void Save();
  void Delete();

  std::filesystem::path file_;
  Prompter& prompter_;
  QPlainTextEdit* text_;
  QPushButton *save_, *delete_;
  bool edited_ = false;
};

}  // namespace vendora
