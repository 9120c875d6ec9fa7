#pragma once
// "Neuen Shop erzeugen...": asks for the new shop's file name; OK is enabled only
// while the name is one the shop list accepts.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vendora {

class NewShopDialog : public QDialog {
  Q_OBJECT
 public:
  explicit NewShopDialog(QWidget* parent = nullptr);
  void SetName(const QString& name);
  QString Name() const;
  QLineEdit* NameEdit() const { return name_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void UpdateOk();
  QLineEdit* name_;
  QPushButton* ok_;
};

}  // namespace vendora
