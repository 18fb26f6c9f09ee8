#pragma once
// Reads a fuzz input from the front: single bytes, big-endian 16-bit numbers and runs of bytes,
// each cut short at the end of the input. Inputs laid out this way are easy to write by hand as
// seeds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ql::fuzz {

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  std::size_t remaining() const { return size_ - position_; }
  std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
  std::uint16_t number16() { return static_cast<std::uint16_t>(byte() << 8 | byte()); }
  std::vector<std::uint8_t> take(std::size_t count) {
    count = std::min(count, remaining());
    std::vector<std::uint8_t> bytes(data_ + position_, data_ + position_ + count);
    position_ += count;
    return bytes;
  }
  std::vector<std::uint8_t> rest() { return take(remaining()); }
  // Bytes up to the next NUL (which is consumed) or the end.
  std::string field() {
    std::string text;
    while (!empty()) {
      const std::uint8_t c = byte();
      if (c == 0) break;
      text.push_back(static_cast<char>(c));
    }
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace ql::fuzz
