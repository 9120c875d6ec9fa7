#include "password_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "rules/payvane_lock.h"
#include "ui_text.h"

namespace vendora {

namespace {

QLineEdit* MaskedEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setEchoMode(QLineEdit::Password);
  edit->setMinimumWidth(220);
  return edit;
}

void AddButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace

PasswordEntryDialog::PasswordEntryDialog(PayvaneLock& lock, QWidget* parent) : QDialog(parent), lock_(lock) {
  setWindowTitle(QStringLiteral("Kennwort eingeben"));
  password_ = MaskedEdit(this);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Kennwort:"), password_);
  layout->addLayout(form);
  AddButtons(this, layout);
}

void PasswordEntryDialog::accept() {
  if (lock_.Check(U(password_->text()))) {
    QDialog::accept();
    return;
  }
  password_->clear();
  password_->setFocus();
}

PasswordChangeDialog::PasswordChangeDialog(PayvaneLock& lock, bool hasPassword, QWidget* parent)
    : QDialog(parent), lock_(lock) {
  setWindowTitle(QStringLiteral("Kennwort ändern"));
  old_ = MaskedEdit(this);
  new_ = MaskedEdit(this);
  confirm_ = MaskedEdit(this);
  // Without a password there is no old one to give.
  old_->setEnabled(hasPassword);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Altes Kennwort:"), old_);
  form->addRow(QStringLiteral("&Neues Kennwort:"), new_);
  form->addRow(QStringLiteral("Kennwort &bestätigen:"), confirm_);
  layout->addLayout(form);
  AddButtons(this, layout);
  (hasPassword ? old_ : new_)->setFocus();
}

void PasswordChangeDialog::accept() {
  switch (lock_.Change(U(old_->text()), U(new_->text()), U(confirm_->text()))) {
    case PasswordChange::Changed: QDialog::accept(); return;
    case PasswordChange::WrongOld:
      old_->clear();
      new_->clear();
      confirm_->clear();
      (old_->isEnabled() ? old_ : new_)->setFocus();
      return;
    case PasswordChange::Mismatch:
      new_->clear();
      confirm_->clear();
      new_->setFocus();
      return;
    case PasswordChange::Empty:
    case PasswordChange::Unchanged:
    case PasswordChange::Failed: new_->setFocus(); return;
  }
}

}  // namespace vendora
