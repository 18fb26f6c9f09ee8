#pragma once
// The text of the receive area. The terminal appends to it on every received block; views read
// it when the terminal publishes a change, and learn from generation() whether text was only
// appended (draw the new tail) or also removed (draw anew).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

class ReceiveArea {
 public:
  // Without automatic clearing the area still never grows past this many characters: the
  // oldest quarter is dropped whenever it would.
  static constexpr std::size_t kHardLimit = 16'000'000;

  explicit ReceiveArea(std::size_t hardLimit = kHardLimit) : hardLimit_(hardLimit) {}

  const std::u16string& text() const { return text_; }
  std::size_t length() const { return text_.size(); }
  std::uint64_t generation() const { return generation_; }

  void append(std::u16string_view chunk);
  void clear();
  void setText(std::u16string text);
  // The text in UTF-8 (save to file, the companion file).
  std::string utf8() const;

 private:
  std::u16string text_;
  std::size_t hardLimit_;
  std::uint64_t generation_ = 0;
};

// UTF-16 to UTF-8 and back, replacing unpaired surrogates and invalid bytes with U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace ql
