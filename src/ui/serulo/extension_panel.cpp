#include "ui/serulo/extension_panel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "assistant/checksums.h"
#include "assistant/hex_reader.h"
#include "assistant/number_converter.h"
#include "assistant/terminal.h"

namespace ql {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// An edit that keeps only what filter leaves of each typed text, with the caret at the end.
void filterEdits(QLineEdit* edit, std::function<std::string(const std::string&)> filter) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, filter](const QString& text) {
    const QString kept = q(filter(text.toStdString()));
    if (kept != text) {
      edit->setText(kept);
      edit->setCursorPosition(static_cast<int>(kept.size()));
    }
  });
}

struct ChecksumCaption {
  const char* caption;
  CheckButton button;
  const char* name;
};

constexpr ChecksumCaption kChecksumButtons[] = {
    {"异或校验", CheckButton::Xor, "xorButton"},
    {"校验和8位", CheckButton::Sum8, "sum8Button"},
    {"校验和16位", CheckButton::Sum16, "sum16Button"},
    {"CRC", CheckButton::CrcLowFirst, "crcButton"},
    {"MD5校验", CheckButton::CrcHighFirst, "crcHighFirstButton"},
    {"CRC16校验", CheckButton::Crc16Arc, "crc16Button"},
    {"CRC32校验", CheckButton::InternetChecksum, "internetChecksumButton"},
};

}  // namespace

ExtensionPanel::ExtensionPanel(Terminal& terminal, QuickSendRows& quickSend, QPlainTextEdit& sendArea,
                               QWidget* parent)
    : QWidget(parent), terminal_(terminal), quickSend_(quickSend), sendArea_(sendArea) {
  setObjectName("extensionPanel");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(buildQuickSendRows());
  layout->addWidget(buildChecksumButtons());
  layout->addWidget(buildConverters());
  layout->addStretch();
  renderQuickSend();
  // The model outlives the panel (both belong to the window, the model declared first).
  quickSend_.subscribe([this] { renderQuickSend(); });
}

void ExtensionPanel::renderQuickSend() {
  for (int k = 0; k < kQuickSendRows; ++k) {
    const QuickSendRow& row = quickSend_.row(k);
    quickButtons_[k]->setText(q(row.caption));
    // An edit that already shows its text keeps its caret.
    if (quickEdits_[k]->text() != q(row.text)) quickEdits_[k]->setText(q(row.text));
  }
}

QWidget* ExtensionPanel::buildQuickSendRows() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(2);
  for (int k = 0; k < kQuickSendRows; ++k) {
    quickEdits_[k] = new QLineEdit;
    quickEdits_[k]->setObjectName(QString("quickSendEdit%1").arg(k + 1));
    quickEdits_[k]->setPlaceholderText("十六进制数据");
    quickEdits_[k]->setToolTip("十六进制数据");
    quickButtons_[k] = new QPushButton(kQuickSendDefaultCaption);
    quickButtons_[k]->setObjectName(QString("quickSendButton%1").arg(k + 1));
    quickButtons_[k]->setMinimumWidth(60);
    connect(quickEdits_[k], &QLineEdit::textChanged, this,
            [this, k](const QString& text) { quickSend_.setText(k, text.toStdString()); });
    connect(quickButtons_[k], &QPushButton::clicked, this,
            [this, k] { terminal_.quickSend(quickSend_.row(k).text); });
    grid->addWidget(quickEdits_[k], k, 0);
    grid->addWidget(quickButtons_[k], k, 1);
  }
  return box;
}

QWidget* ExtensionPanel::buildChecksumButtons() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  int index = 0;
  for (const ChecksumCaption& c : kChecksumButtons) {
    auto* button = new QPushButton(c.caption);
    button->setObjectName(c.name);
    const CheckButton which = c.button;
    connect(button, &QPushButton::clicked, this, [this, which] {
      const auto result = applyCheckButton(which, sendArea_.toPlainText().toStdString());
      if (result) sendArea_.setPlainText(q(*result));
    });
    grid->addWidget(button, index / 2, index % 2);
    ++index;
  }
  return box;
}

QWidget* ExtensionPanel::buildConverters() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  auto* decimal = new QLineEdit;
  decimal->setObjectName("decimalEdit");
  auto* single = new QLineEdit;
  single->setObjectName("singleEdit");
  auto* dbl = new QLineEdit;
  dbl->setObjectName("doubleEdit");
  filterEdits(decimal, [](const std::string& t) { return filterDecimalField(t); });
  filterEdits(single, [](const std::string& t) { return keepHexDigits(t, 8); });
  filterEdits(dbl, [](const std::string& t) { return keepHexDigits(t, 16); });

  auto arrow = [](const char* text, const char* name, const char* tip) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setFixedWidth(28);
    return b;
  };
  auto* toSingle = arrow("↓", "toSingleButton", "十进制 → 单精度");
  auto* fromSingle = arrow("↑", "fromSingleButton", "单精度 → 十进制");
  auto* toDouble = arrow("↓", "toDoubleButton", "十进制 → 双精度");
  auto* fromDouble = arrow("↑", "fromDoubleButton", "双精度 → 十进制");

  // A conversion that cannot be made leaves the target as it was.
  auto convert = [](QLineEdit* from, QLineEdit* to, std::optional<std::string> (*how)(std::string_view)) {
    if (const auto result = how(from->text().toStdString())) to->setText(q(*result));
  };
  connect(toSingle, &QPushButton::clicked, this, [=] { convert(decimal, single, decimalToSingleHex); });
  connect(fromSingle, &QPushButton::clicked, this, [=] { convert(single, decimal, singleHexToDecimal); });
  connect(toDouble, &QPushButton::clicked, this, [=] { convert(decimal, dbl, decimalToDoubleHex); });
  connect(fromDouble, &QPushButton::clicked, this, [=] { convert(dbl, decimal, doubleHexToDecimal); });

  grid->addWidget(new QLabel("十进制"), 0, 0);
  grid->addWidget(decimal, 0, 1, 1, 3);
  grid->addWidget(toSingle, 1, 0);
  grid->addWidget(fromSingle, 1, 1);
  grid->addWidget(new QLabel("单精度"), 1, 2);
  grid->addWidget(single, 1, 3);
  grid->addWidget(toDouble, 2, 0);
  grid->addWidget(fromDouble, 2, 1);
  grid->addWidget(new QLabel("双精度"), 2, 2);
  grid->addWidget(dbl, 2, 3);
  return box;
}

}  // namespace ql
