#pragma once
// The controls of a settings form: one editor per field, made from the core's form
// (line edits within the field's width, masked passwords, hex-only keys, check boxes,
// choosers), filled from and read back as the form's texts. The page arranges them.
#include <QObject>
#include <QString>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "rules/settings_form.h"

class QFormLayout;
class QLabel;
class QWidget;

namespace vendora {

class FormControls : public QObject {
  Q_OBJECT
 public:
  // The editors are children of `owner`.
  FormControls(const SettingsForm& form, QWidget* owner);

  // The field's editor (QLineEdit, QPlainTextEdit, QCheckBox or QComboBox).
  QWidget* Editor(std::string_view field) const;
  // A form layout with a captioned row per field (switches span the row).
  QFormLayout* Rows(const std::vector<std::string_view>& fields) const;

  FormValues Values() const;
  void SetValues(const FormValues& values);
  void SetEnabled(bool enabled);

 signals:
  // The merchant changed a value (not emitted by SetValues).
  void Edited();

 private:
  struct Control {
    const FormField* field;
    QWidget* editor;
    QLabel* label;
  };
  const SettingsForm& form_;
  std::vector<Control> controls_;
  // Choosers keep a stored code they have no label for, so it survives a save.
  std::map<std::string, std::string, std::less<>> unlisted_;
  bool filling_ = false;
};

}  // namespace vendora
