#pragma once
// The ten quick-send rows of the extension panel: each a button caption and the hexadecimal
// text it sends. The window renders them and forwards edits; the settings session stores them.

#include <array>
#include <string>

#include "runtime/observable.h"

namespace ql {

inline constexpr int kQuickSendRows = 10;
inline constexpr const char* kQuickSendDefaultCaption = "发送";

struct QuickSendRow {
  std::string caption = kQuickSendDefaultCaption;
  std::string text;
  friend bool operator==(const QuickSendRow&, const QuickSendRow&) = default;
};

class QuickSendRows : public Observable {
 public:
  using Rows = std::array<QuickSendRow, kQuickSendRows>;

  const Rows& rows() const { return rows_; }
  const QuickSendRow& row(int index) const { return rows_.at(index); }

  // Each setter tells the observers only when something changed (so a view that forwards its
  // own edit is not told to redraw it).
  void setCaption(int index, std::string caption);
  void setText(int index, std::string text);
  void setRows(const Rows& rows);

 private:
  Rows rows_;
};

}  // namespace ql
