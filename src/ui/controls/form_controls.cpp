#include "controls/form_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>

#include "ui_text.h"

namespace vendora {

FormControls::FormControls(const SettingsForm& form, QWidget* owner) : QObject(owner), form_(form) {
  for (const FormField& field : form_.fields) {
    const int limit = InputLimit(form_, field);
    QWidget* editor = nullptr;
    QLabel* label = nullptr;
    auto changed = [this] {
      if (!filling_) emit Edited();
    };
    switch (field.kind) {
      case FieldKind::Memo: {
        auto* memo = new QPlainTextEdit(owner);
        memo->setTabChangesFocus(true);
        memo->setMaximumHeight(72);
        connect(memo, &QPlainTextEdit::textChanged, this, changed);
        editor = memo;
        break;
      }
      case FieldKind::Switch: {
        auto* box = new QCheckBox(Q(field.label).trimmed(), owner);
        connect(box, &QCheckBox::toggled, this, changed);
        editor = box;
        break;
      }
      case FieldKind::Choice: {
        auto* combo = new QComboBox(owner);
        for (std::string_view choice : field.choices) combo->addItem(Q(choice));
        connect(combo, &QComboBox::currentIndexChanged, this, changed);
        editor = combo;
        break;
      }
      default: {
        auto* line = new QLineEdit(owner);
        if (limit > 0) line->setMaxLength(limit);
        if (field.kind == FieldKind::Password) line->setEchoMode(QLineEdit::Password);
        if (field.kind == FieldKind::HexKey)
          line->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]*")), line));
        if (field.kind == FieldKind::Fingerprint) {
          // Set by answering the publish page's question, never typed.
          line->setReadOnly(true);
          line->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        }
        if (field.kind == FieldKind::Number || field.kind == FieldKind::Decimal) {
          line->setAlignment(Qt::AlignRight);
          line->setMaximumWidth(120);
        }
        connect(line, &QLineEdit::textEdited, this, changed);
        editor = line;
        break;
      }
    }
    if (field.kind != FieldKind::Switch) {
      label = new QLabel(Q(field.label), owner);
      label->setBuddy(editor);
    }
    controls_.push_back({&field, editor, label});
  }
}

QWidget* FormControls::Editor(std::string_view field) const {
  for (const Control& c : controls_)
    if (c.field->name == field) return c.editor;
  return nullptr;
}

QFormLayout* FormControls::Rows(const std::vector<std::string_view>& fields) const {
  auto* layout = new QFormLayout;
  layout->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  for (std::string_view name : fields) {
    for (const Control& c : controls_) {
      if (c.field->name != name) continue;
      if (c.label) layout->addRow(c.label, c.editor);
      else layout->addRow(c.editor);
    }
  }
  return layout;
}

FormValues FormControls::Values() const {
  FormValues values;
  for (const Control& c : controls_) {
    std::string value;
    if (auto* line = qobject_cast<QLineEdit*>(c.editor)) value = U(line->text());
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(c.editor)) value = U(memo->toPlainText());
    else if (auto* box = qobject_cast<QCheckBox*>(c.editor)) value.assign(1, box->isChecked() ? '1' : '0');
    else if (auto* combo = qobject_cast<QComboBox*>(c.editor)) {
      auto kept = unlisted_.find(c.field->name);
      if (combo->currentIndex() < 0 && kept != unlisted_.end()) value = kept->second;
      else value = U(QString::number(combo->currentIndex()));
    }
    values[std::string(c.field->name)] = std::move(value);
  }
  return values;
}

void FormControls::SetValues(const FormValues& values) {
  filling_ = true;
  unlisted_.clear();
  for (const Control& c : controls_) {
    auto it = values.find(c.field->name);
    const QString text = it == values.end() ? QString() : Q(it->second);
    if (auto* line = qobject_cast<QLineEdit*>(c.editor)) {
      line->setText(text);
      line->setCursorPosition(0);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(c.editor)) {
      memo->setPlainText(text);
    } else if (auto* box = qobject_cast<QCheckBox*>(c.editor)) {
      box->setChecked(text == QLatin1String("1"));
    } else if (auto* combo = qobject_cast<QComboBox*>(c.editor)) {
      bool ok = false;
      const int index = text.toInt(&ok);
      if (ok && index >= 0 && index < combo->count()) {
        combo->setCurrentIndex(index);
      } else {
        combo->setCurrentIndex(-1);
        if (it != values.end()) unlisted_[std::string(c.field->name)] = it->second;
      }
    }
  }
  filling_ = false;
}

void FormControls::SetEnabled(bool enabled) {
  for (const Control& c : controls_) {
    c.editor->setEnabled(enabled);
    if (c.label) c.label->setEnabled(enabled);
  }
}

}  // namespace vendora
