#include "ui/serulo/control_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "assistant/hex_reader.h"

namespace ql {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The pattern edits keep only the hexadecimal digits of the first 80 characters typed.
void keepPatternDigits(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    const QString kept = q(keepHexDigits(text.toStdString(), 80));
    if (kept != text) {
      edit->setText(kept);
      edit->setCursorPosition(static_cast<int>(kept.size()));
    }
  });
}

}  // namespace

ControlForm::ControlForm(const std::array<QString, kQuickSendRows>& captions, const ReadOutParameters& parameters,
                         QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("设置");
  setObjectName("controlForm");

  auto* captionsGroup = new QGroupBox("按键名称：");
  auto* captionsGrid = new QGridLayout(captionsGroup);
  for (int k = 0; k < kQuickSendRows; ++k) {
    captionEdits_[k] = new QLineEdit(captions[k]);
    captionEdits_[k]->setObjectName(QString("captionEdit%1").arg(k + 1));
    captionsGrid->addWidget(new QLabel(QString::number(k + 1)), k % 5, (k / 5) * 2);
    captionsGrid->addWidget(captionEdits_[k], k % 5, (k / 5) * 2 + 1);
  }

  auto* parametersGrid = new QGridLayout;
  for (int i = 0; i < static_cast<int>(kReadOutCount); ++i) {
    parametersGrid->addWidget(buildParameterGroup(i + 1, fields_[i]), i / 2, i % 2);
  }

  // Load the parameters kept in memory.
  for (int i = 0; i < 2; ++i) {
    const PositionParameter& p = parameters.byPosition[i];
    fields_[i].name->setText(q(p.name));
    fields_[i].type->setCurrentIndex(static_cast<int>(p.type));
    fields_[i].startByte->setValue(p.startByte);
    fields_[i].count->setValue(p.count);
  }
  for (int i = 0; i < 2; ++i) {
    const PatternParameter& p = parameters.byPattern[i];
    fields_[2 + i].name->setText(q(p.name));
    fields_[2 + i].type->setCurrentIndex(static_cast<int>(p.type));
    fields_[2 + i].pattern->setText(q(p.pattern));
    fields_[2 + i].count->setValue(p.count);
  }
  fields_[4].name->setText(q(parameters.bcd.name));
  fields_[4].pattern->setText(q(parameters.bcd.pattern));
  fields_[4].count->setValue(parameters.bcd.count);

  auto* buttons = new QDialogButtonBox;
  auto* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  auto* cancel = buttons->addButton("取消", QDialogButtonBox::RejectRole);
  ok->setObjectName("okButton");
  cancel->setObjectName("cancelButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(captionsGroup);
  layout->addLayout(parametersGrid);
  layout->addWidget(buttons);
}

QWidget* ControlForm::buildParameterGroup(int number, ParameterFields& fields) {
  auto* group = new QGroupBox(QString("参数%1：").arg(number));
  auto* grid = new QGridLayout(group);
  fields.name = new QLineEdit;
  fields.name->setObjectName(QString("nameEdit%1").arg(number));
  fields.name->setMaxLength(static_cast<int>(kReadOutTextLimit));
  fields.type = new QComboBox;
  fields.type->setObjectName(QString("typeBox%1").arg(number));
  if (number == 5) {
    fields.type->addItem("BCD码");
  } else {
    fields.type->addItems({"整数", "浮点数"});
  }
  fields.count = new QSpinBox;
  fields.count->setObjectName(QString("countBox%1").arg(number));
  grid->addWidget(new QLabel("名称"), 0, 0);
  grid->addWidget(fields.name, 0, 1, 1, 4);
  grid->addWidget(new QLabel("类型"), 1, 0);
  grid->addWidget(fields.type, 1, 1, 1, 4);
  if (number <= 2) {
    fields.startByte = new QSpinBox;
    fields.startByte->setObjectName(QString("startBox%1").arg(number));
    fields.startByte->setRange(1, 256);
    fields.count->setRange(4, 8);
    fields.count->setSingleStep(4);
    grid->addWidget(new QLabel("从第"), 2, 0);
    grid->addWidget(fields.startByte, 2, 1);
    grid->addWidget(new QLabel("个字节开始，共"), 2, 2);
    grid->addWidget(fields.count, 2, 3);
    grid->addWidget(new QLabel("个字节"), 2, 4);
  } else {
    fields.pattern = new QLineEdit;
    fields.pattern->setObjectName(QString("patternEdit%1").arg(number));
    fields.pattern->setPlaceholderText("十六进制字符");
    fields.pattern->setToolTip("十六进制字符");
    keepPatternDigits(fields.pattern);
    if (number == 5) {
      fields.count->setRange(1, 15);
    } else {
      fields.count->setRange(4, 8);
      fields.count->setSingleStep(4);
    }
    grid->addWidget(new QLabel("引导字符"), 2, 0);
    grid->addWidget(fields.pattern, 2, 1, 1, 4);
    grid->addWidget(new QLabel("之后，共"), 3, 0);
    grid->addWidget(fields.count, 3, 1);
    grid->addWidget(new QLabel("个字节"), 3, 2);
  }
  return group;
}

std::array<QString, kQuickSendRows> ControlForm::captions() const {
  std::array<QString, kQuickSendRows> out;
  for (int k = 0; k < kQuickSendRows; ++k) out[k] = captionEdits_[k]->text();
  return out;
}

ReadOutParameters ControlForm::parameters() const {
  // The byte count of parameters 1..4 is 4 or 8; a typed 5..7 counts as 4.
  auto fourOrEight = [](int v) { return v >= 8 ? 8 : 4; };
  ReadOutParameters p;
  for (int i = 0; i < 2; ++i) {
    p.byPosition[i].name = fields_[i].name->text().toStdString();
    p.byPosition[i].type = fields_[i].type->currentIndex() == 1 ? ValueType::Float : ValueType::Integer;
    p.byPosition[i].startByte = fields_[i].startByte->value();
    p.byPosition[i].count = fourOrEight(fields_[i].count->value());
  }
  for (int i = 0; i < 2; ++i) {
    p.byPattern[i].name = fields_[2 + i].name->text().toStdString();
    p.byPattern[i].type = fields_[2 + i].type->currentIndex() == 1 ? ValueType::Float : ValueType::Integer;
    p.byPattern[i].pattern = fields_[2 + i].pattern->text().toStdString();
    p.byPattern[i].count = fourOrEight(fields_[2 + i].count->value());
  }
  p.bcd.name = fields_[4].name->text().toStdString();
  p.bcd.pattern = fields_[4].pattern->text().toStdString();
  p.bcd.count = fields_[4].count->value();
  return limitReadOutTexts(p);
}

}  // namespace ql
