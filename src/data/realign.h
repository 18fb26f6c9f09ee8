#pragma once
// Record realignment of a downloaded stream. Bytes lost or slipped in on the line shift every
// later 16-byte record; each record is found again by its time stamp (six packed-BCD bytes that
// read as a plausible date) and the stream is compacted around the misplaced bytes.

#include <cstddef>
#include <cstdint>

namespace ql {

// Year 17..49, month 1..12, day 1..31, hour 0..23, minute 0..59, second 0..59, each byte read as
// packed BCD.
bool isPlausibleStamp(const std::uint8_t* sixBytes);

// Realigns stream[0, length) in place and returns the new length. The first record is taken as
// it stands. At every later record position the stamp is looked for at the first of the next 128
// bytes that carries one; the bytes skipped are dropped. When none of the 128 carries a stamp,
// all 128 are dropped. Near the end of the data, where fewer bytes remain than a full search
// needs, a search that finds nothing leaves the rest as it is (the trailing checksum, or the
// unfinished end of an interrupted download). One pass, linear in the length.
std::size_t realignRecords(std::uint8_t* stream, std::size_t length);

}  // namespace ql
