#include "link/connection_panel.h"

namespace ql {

const std::vector<std::string>& ConnectionPanel::rateItems() {
  static const std::vector<std::string> items{"4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"};
  return items;
}

std::string ConnectionPanel::rateText() const {
  const auto& items = rateItems();
  return rateIndex >= 0 && rateIndex < int(items.size()) ? items[rateIndex] : "";
}

}  // namespace ql
