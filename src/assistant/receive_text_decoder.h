#pragma once
// Turns received bytes into display text for the text view of the receive area. Devices send
// UTF-8, GBK (older Chinese firmware) or plain binary, and blocks may split a character anywhere,
// so the decoder keeps an unfinished character for the next block. What it shows:
// - valid UTF-8 as is; a byte pair that is not UTF-8 but is a GBK character as that character;
// - CR LF, a lone CR and a lone LF each as one line break; TAB as a blank;
// - every other control byte (C0, DEL, C1) as a middle dot, any other invalid byte as U+FFFD,
// so binary data never breaks the line or the display.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ql {

class ReceiveTextDecoder {
 public:
  // Appends the text of the bytes to out; an unfinished character at the end is kept back.
  void decode(const std::uint8_t* data, std::size_t length, std::u16string& out);
  // Forgets a kept-back partial character (the area was cleared or the display mode changed).
  void reset();

  static constexpr char16_t kControlMark = u'\u00B7';
  static constexpr char16_t kInvalidMark = u'\uFFFD';

 private:
  // Decodes one character at p; returns the bytes used, or 0 when more bytes are needed.
  std::size_t decodeOne(const std::uint8_t* p, std::size_t available, std::u16string& out);

  std::uint8_t carry_[4] = {};
  std::size_t carryLength_ = 0;
  bool lastWasCr_ = false;
};

}  // namespace ql
