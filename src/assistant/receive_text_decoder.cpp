#include "assistant/receive_text_decoder.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ql {
namespace {

void appendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool isContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte starts, or 0 when it cannot start one.
std::size_t utf8Length(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Second-byte limits that exclude overlong forms, surrogates and code points above U+10FFFF.
bool secondByteValid(std::uint8_t lead, std::uint8_t second) {
  if (!isContinuation(second)) return false;
  if (lead == 0xE0) return second >= 0xA0;
  if (lead == 0xED) return second <= 0x9F;
  if (lead == 0xF0) return second >= 0x90;
  if (lead == 0xF4) return second <= 0x8F;
  return true;
}

bool isGbkLead(std::uint8_t b) { return b >= 0x81 && b <= 0xFE; }
bool isGbkTrail(std::uint8_t b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

constexpr int kGbkTrails = 0xFE - 0x40 + 1;

// Every GBK double-byte character, converted once with iconv: a device that talks GBK is decoded
// at the pace of a table look-up. 0 marks a pair that is no character.
const std::vector<char16_t>& gbkTable() {
  static const std::vector<char16_t> table = [] {
    std::vector<char16_t> t(static_cast<std::size_t>(0xFE - 0x81 + 1) * kGbkTrails, 0);
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char16_t result[2] = {};
        char* inPtr = in;
        char* outPtr = reinterpret_cast<char*>(result);
        std::size_t inLeft = 2;
        std::size_t outLeft = sizeof result;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        if (ok && outLeft == sizeof result - sizeof(char16_t)) t[(lead - 0x81) * kGbkTrails + (trail - 0x40)] = result[0];
      }
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

// The character of a GBK pair, or 0.
char16_t gbkCharacter(std::uint8_t lead, std::uint8_t trail) {
  if (!isGbkLead(lead) || !isGbkTrail(trail)) return 0;
  return gbkTable()[(lead - 0x81) * kGbkTrails + (trail - 0x40)];
}

}  // namespace

void ReceiveTextDecoder::reset() {
  carryLength_ = 0;
  lastWasCr_ = false;
}

std::size_t ReceiveTextDecoder::decodeOne(const std::uint8_t* p, std::size_t available, std::u16string& out) {
  const std::uint8_t b = p[0];
  if (b < 0x80) {
    const bool wasCr = lastWasCr_;
    lastWasCr_ = b == '\r';
    if (b == '\n') {
      if (!wasCr) out.push_back(u'\n');  // the LF of CR LF was already shown by the CR
    } else if (b == '\r') {
      out.push_back(u'\n');
    } else if (b == '\t') {
      out.push_back(u' ');
    } else if (b < 0x20 || b == 0x7F) {
      out.push_back(kControlMark);
    } else {
      out.push_back(static_cast<char16_t>(b));
    }
    return 1;
  }
  lastWasCr_ = false;
  const std::size_t length = utf8Length(b);
  if (length > 0) {
    // Check the bytes present; a valid prefix that runs off the end waits for more.
    bool valid = available < 2 || secondByteValid(b, p[1]);
    for (std::size_t i = 2; valid && i < std::min(length, available); ++i) valid = isContinuation(p[i]);
    if (valid && available < length) return 0;
    if (valid) {
      char32_t cp = b & (0xFF >> (length + 1));
      for (std::size_t i = 1; i < length; ++i) cp = cp << 6 | (p[i] & 0x3F);
      if (cp < 0xA0) {
        out.push_back(kControlMark);  // C1 control
      } else {
        appendCodePoint(cp, out);
      }
      return length;
    }
  }
  if (isGbkLead(b)) {
    if (available < 2) return 0;
    if (const char16_t c = gbkCharacter(b, p[1])) {
      out.push_back(c);
      return 2;
    }
  }
  out.push_back(kInvalidMark);
  return 1;
}

void ReceiveTextDecoder::decode(const std::uint8_t* data, std::size_t length, std::u16string& out) {
  std::size_t i = 0;
  if (carryLength_ > 0) {
    // Finish the character the previous block left unfinished, reading on into this block.
    std::uint8_t joined[8];
    const std::size_t carried = carryLength_;
    const std::size_t taken = std::min(length, sizeof joined - carried);
    std::memcpy(joined, carry_, carried);
    std::memcpy(joined + carried, data, taken);
    const std::size_t joinedLength = carried + taken;
    carryLength_ = 0;
    std::size_t pos = 0;
    while (pos < carried) {
      const std::size_t used = decodeOne(joined + pos, joinedLength - pos, out);
      if (used == 0) {  // still unfinished: the whole (short) block was taken
        carryLength_ = joinedLength - pos;
        std::memcpy(carry_, joined + pos, carryLength_);
        return;
      }
      pos += used;
    }
    i = pos - carried;
  }
  out.reserve(out.size() + (length - i));  // never more characters than bytes, but for 4-byte UTF-8
  while (i < length) {
    const std::uint8_t b = data[i];
    if (b >= 0x20 && b < 0x7F) {  // printable ASCII, the bulk of most text: no further checks
      out.push_back(static_cast<char16_t>(b));
      lastWasCr_ = false;
      ++i;
      continue;
    }
    const std::size_t used = decodeOne(data + i, length - i, out);
    if (used == 0) {
      carryLength_ = length - i;
      std::memcpy(carry_, data + i, carryLength_);
      return;
    }
    i += used;
  }
}

}  // namespace ql
