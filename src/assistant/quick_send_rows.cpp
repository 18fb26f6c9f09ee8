#include "assistant/quick_send_rows.h"

namespace ql {

void QuickSendRows::setCaption(int index, std::string caption) {
  if (rows_.at(index).caption == caption) return;
  rows_[index].caption = std::move(caption);
  notify();
}

void QuickSendRows::setText(int index, std::string text) {
  if (rows_.at(index).text == text) return;
  rows_[index].text = std::move(text);
  notify();
}

void QuickSendRows::setRows(const Rows& rows) {
  if (rows_ == rows) return;
  rows_ = rows;
  notify();
}

}  // namespace ql
