#include "data/realign.h"

#include <algorithm>
#include <cstring>

#include "link/codecs.h"

namespace ql {

namespace {

constexpr std::size_t kRecordSize = 16;
constexpr std::size_t kStampSize = 6;
constexpr std::size_t kSearchSpan = 128;  // stamp offsets 0..127 are tried at each position

bool inRange(std::uint8_t bcd, int low, int high) {
  int value = BcdToInt(bcd);
  return value >= low && value <= high;
}

}  // namespace

bool isPlausibleStamp(const std::uint8_t* s) {
  return inRange(s[0], 17, 49) && inRange(s[1], 1, 12) && inRange(s[2], 1, 31) && inRange(s[3], 0, 23) &&
         inRange(s[4], 0, 59) && inRange(s[5], 0, 59);
}

std::size_t realignRecords(std::uint8_t* stream, std::size_t length) {
  if (length < 2 * kRecordSize) return length;
  const std::size_t lastPosition = kRecordSize * (length / kRecordSize - 1);

  // The stream is compacted front to back: `read` walks the received bytes, `write` the
  // realigned ones, and write never passes read, so each record moves at most once.
  std::size_t read = kRecordSize;
  std::size_t write = kRecordSize;
  while (write <= lastPosition) {
    std::size_t skip = 0;
    while (skip < kSearchSpan && read + skip + kStampSize <= length &&
           !isPlausibleStamp(stream + read + skip)) {
      ++skip;
    }
    const bool searchedAll = skip == kSearchSpan;
    if (!searchedAll && read + skip + kStampSize > length) break;  // the end of the data: keep it
    read += skip;
    if (read >= length) break;

    std::size_t n = std::min(kRecordSize, length - read);
    if (write != read) std::memmove(stream + write, stream + read, n);
    write += n;
    read += n;
    if (n < kRecordSize) break;
  }
  if (write != read) std::memmove(stream + write, stream + read, length - read);
  return write + (length - read);
}

}  // namespace ql
