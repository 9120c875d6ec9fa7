#pragma once
// "Kennwort eingeben" and "Kennwort ändern" of the Payvane tab. They collect the
// entries; the lock compares, answers and stores.
#include <QDialog>

class QLineEdit;

namespace vendora {

class PayvaneLock;

class PasswordEntryDialog : public QDialog {
  Q_OBJECT
 public:
  PasswordEntryDialog(PayvaneLock& lock, QWidget* parent = nullptr);
  QLineEdit* PasswordEdit() const { return password_; }
  // OK: accepted when the password matches; otherwise the entry is emptied and the
  // dialog stays open.
  void accept() override;

 private:
  PayvaneLock& lock_;
  QLineEdit* password_;
};

class PasswordChangeDialog : public QDialog {
  Q_OBJECT
 public:
  PasswordChangeDialog(PayvaneLock& lock, bool hasPassword, QWidget* parent = nullptr);
  QLineEdit* OldEdit() const { return old_; }
  QLineEdit* NewEdit() const { return new_; }
  QLineEdit* ConfirmEdit() const { return confirm_; }
  void accept() override;

 private:
  PayvaneLock& lock_;
  QLineEdit *old_, *new_, *confirm_;
};

}  // namespace vendora
