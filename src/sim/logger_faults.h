#pragma once
// Misbehaviour a simulated logger shows on request. All off by default.

#include <cstdint>
#include <optional>
#include <vector>

namespace ql::sim {

struct LoggerFaults {
  // Every reply is cut into two pieces at byte splitAt (0 = off), the second following after
  // splitPauseMs: longer than the receiver's 20 ms block gap, so it arrives as a second block.
  int splitAt = 0;
  int splitPauseMs = 40;
  // Further cuts at these byte offsets of every reply, each with the same pause: a reply in three
  // or more pieces. Cuts fall within the reply's own bytes, never inside a file stream.
  std::vector<int> splitAlsoAt{};
  // Every dropEvery-th reply is lost on the line (0 = off); the logger still acts on the request.
  int dropEvery = 0;
  // After stallAfter replies the logger ignores every request until this is cleared (0 = off).
  int stallAfter = 0;
  // This many noise bytes (never a reply's first byte) come on their own, splitPauseMs before
  // every reply (0 = off): line noise between the replies.
  int noiseBeforeReplies = 0;
  // The logger restarts instead of answering the request after restartAfterReplies replies (0 =
  // off): it is silent for restartMs, then answers again at its configured line rate. Once.
  int restartAfterReplies = 0;
  int restartMs = 3000;
  // Bytes at a wrong line rate are answered with framing garbage instead of silence.
  bool garbageAtWrongRate = false;
  // The next request makes the logger disappear: the transport closes the line.
  bool vanish = false;
  // Writes whose first register is listed are ignored: neither applied nor acknowledged.
  std::vector<std::uint16_t> ignoreWritesTo{};

  // Recorded-file streams (what follows the file-data reply head). Offsets count bytes of the
  // file's stream; a stray byte is never valid BCD, so it never passes for a record's stamp.
  // One stray byte before each listed offset (repeat an offset for several bytes) ...
  std::vector<std::uint64_t> strayAt{};
  // ... and this many more at reproducible random offsets, after the first record, in each stream.
  int strayBytes = 0;
  // The stream stops after this many bytes (stray bytes included); later requests are answered.
  std::optional<std::uint64_t> streamStopsAfter{};
  // The logger disappears after sending this many bytes of a stream.
  std::optional<std::uint64_t> vanishAfterStreamBytes{};
  // One value byte of the middle record of every stream goes out with its low bit flipped: the
  // stamps stay intact, so only the reply's checksum tells.
  bool corruptStream = false;
};

}  // namespace ql::sim
