#pragma once
// Port boxes of both programs: the device path is each item's value (what is opened and stored
// in the settings files), the description is what a person reads to recognise an adapter.

#include <QComboBox>
#include <vector>

#include "link/port_list.h"

namespace ql {

inline constexpr int kPortPathRole = Qt::UserRole;
inline constexpr int kPortLabelRole = Qt::UserRole + 1;

// Shows these ports; the items are replaced only when they changed, so an open drop-down is not
// disturbed needlessly (true when they were). An editable box keeps the path as the item text
// (its edit shows and stores it) and shows the description in the drop-down; other boxes show
// "path — description". Every item's tooltip holds the description and the by-id name.
bool showPorts(QComboBox* box, const std::vector<SerialPortInfo>& ports);

// The device path of an item, or an empty text.
QString portPathAt(const QComboBox* box, int index);

}  // namespace ql
