#include "runtime/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace ql {

namespace {

// Number of bytes of the UTF-8 sequence starting at index i that is well formed (no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0 when it is not.
std::size_t utf8SequenceLength(const std::string& s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

// Converts with iconv; each input sequence iconv rejects is replaced by `replacement`, skipping
// `skip(input, index)` bytes of input (at least one).
template <typename Skip>
std::string convert(const char* to, const char* from, const std::string& input,
                    const std::string& replacement, Skip skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};  // glibc always has these; never seen
  std::string out;
  out.reserve(input.size() * 3 / 2 + 8);
  char buffer[4096];
  std::size_t pos = 0;
  while (pos < input.size()) {
    char* in = const_cast<char*>(input.data()) + pos;
    std::size_t inLeft = input.size() - pos;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    pos = input.size() - inLeft;
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ (a sequence the target lacks or the source does not allow) or EINVAL (cut short at
    // the end): replace it and go on after it.
    out += replacement;
    pos += std::max<std::size_t>(1, skip(input, pos));
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  }
  iconv_close(cd);
  return out;
}

}  // namespace

bool isValidUtf8(const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string gbkToUtf8(const std::string& gbk) {
  // A bad double-byte sequence loses only its lead byte, so an ASCII byte after it survives.
  return convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", [](const std::string&, std::size_t) { return 1; });
}

std::string utf8ToGbk(const std::string& utf8) {
  // Skip the whole character GBK lacks (or a single byte of malformed UTF-8).
  return convert("GBK", "UTF-8", utf8, "?", [](const std::string& s, std::size_t i) {
    return std::max<std::size_t>(1, utf8SequenceLength(s, i));
  });
}

std::string decodeLegacyText(const std::string& bytes) {
  std::string text = bytes;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  if (isValidUtf8(text)) return text;
  return gbkToUtf8(text);
}

}  // namespace ql
