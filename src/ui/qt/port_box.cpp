#include "ui/qt/port_box.h"

#include <QStyledItemDelegate>

namespace ql {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Draws the drop-down rows of an editable box with their descriptions.
class PortLabelDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString label = index.data(kPortLabelRole).toString();
    if (!label.isEmpty()) option->text = label;
  }
};

bool sameItems(const QComboBox* box, const std::vector<SerialPortInfo>& ports) {
  if (box->count() != static_cast<int>(ports.size())) return false;
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemData(i, kPortPathRole).toString() != q(ports[i].path) ||
        box->itemData(i, kPortLabelRole).toString() != q(portLabel(ports[i])) ||
        box->itemData(i, Qt::ToolTipRole).toString() != q(portDetails(ports[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool showPorts(QComboBox* box, const std::vector<SerialPortInfo>& ports) {
  if (sameItems(box, ports)) return false;
  if (box->isEditable() && !dynamic_cast<PortLabelDelegate*>(box->itemDelegate())) {
    box->setItemDelegate(new PortLabelDelegate(box));
  }
  box->clear();
  for (const SerialPortInfo& port : ports) {
    const QString label = q(portLabel(port));
    box->addItem(box->isEditable() ? q(port.path) : label, q(port.path));
    const int i = box->count() - 1;
    box->setItemData(i, label, kPortLabelRole);
    box->setItemData(i, q(portDetails(port)), Qt::ToolTipRole);
  }
  return true;
}

QString portPathAt(const QComboBox* box, int index) {
  return index >= 0 && index < box->count() ? box->itemData(index, kPortPathRole).toString() : QString();
}

}  // namespace ql
