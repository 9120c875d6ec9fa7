#include "new_shop_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/program_text.h"
#include "ui_text.h"

namespace vendora {

namespace {
constexpr int kMaxNameLength = 260;
}

NewShopDialog::NewShopDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(texts::kNewShopDialogTitle));
  auto* label = new QLabel(Q(texts::kNewShopNameLabel), this);
  name_ = new QLineEdit(this);
  name_->setMaxLength(kMaxNameLength);
  name_->setToolTip(Q(texts::kNewShopNameTooltip));
  name_->setMinimumWidth(320);
  label->setBuddy(name_);
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(name_, &QLineEdit::textChanged, this, &NewShopDialog::UpdateOk);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(name_);
  layout->addWidget(buttons);
  UpdateOk();
}

void NewShopDialog::SetName(const QString& name) {
  name_->setText(name);
  name_->selectAll();
  UpdateOk();
}

QString NewShopDialog::Name() const { return name_->text(); }

void NewShopDialog::UpdateOk() { ok_->setEnabled(ShopManager::IsValidShopName(U(name_->text()))); }

}  // namespace vendora
