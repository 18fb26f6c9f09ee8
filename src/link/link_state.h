#pragma once
// The link state shared by the connection, the receive dispatcher and the features that claim the
// link. It lives as long as the program; everything runs on the loop thread. The request
// sequences keep their steps themselves (status/poll_sequencer.h).

#include <cstdint>
#include <string>

#include "link/bytes.h"

namespace ql {

namespace probe {
// Values of LinkState::ProbeCounter: below kStop the search walks ports and rates.
inline constexpr std::int32_t kStop = 10000;
inline constexpr std::int32_t kRestartAfter = 500;  // passes without an answer before a fresh list
inline constexpr std::int32_t kConnected = 20000;
inline constexpr std::int32_t kAwaitingManualAnswer = 50001;
inline constexpr std::int32_t kIdle = 60000;
}  // namespace probe

struct LinkState {
  std::int32_t ProbeCounter = probe::kIdle;
  std::string ConnectedPort;  // empty: no logger linked
  int LinkEcho = 0;
  int IdleTicks = 0;          // one-second ticks since the last request
  bool TraceSwitch = false;

  Bytes LastRequest;  // the last write (or live-value read) whose reply is awaited
  Bytes LastReply;

  std::int32_t EraseCountdown = 0;

  // Flags by which features claim the link.
  bool CalibrationActive = false;
  bool Downloading = false;
  bool SwitchAcked = false;
  bool FileListContinues = false;
  Bytes HeldFragment;

  bool connected() const { return !ConnectedPort.empty(); }
};

}  // namespace ql
