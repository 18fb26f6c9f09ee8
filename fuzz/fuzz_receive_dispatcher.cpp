// The receive dispatcher alone: blocks of any length and content under every combination of the
// flags by which features claim the link.
// Input: per block a byte of flags, then (with flag 64) a byte of length and the last request,
// two bytes of length and the block's bytes.
#include "input_reader.h"
#include "link/receive_dispatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader input(data, size);
  ql::LinkState state;
  ql::ReplyHandlers handlers;
  ql::ReceiveDispatcher dispatcher(state, handlers);
  while (!input.empty()) {
    const std::uint8_t flags = input.byte();
    state.CalibrationActive = flags & 1;
    state.Downloading = flags & 2;
    state.SwitchAcked = flags & 4;
    state.FileListContinues = flags & 8;
    state.ConnectedPort = (flags & 16) ? "MEM1" : "";
    state.ProbeCounter = (flags & 32) ? ql::probe::kAwaitingManualAnswer : ql::probe::kConnected;
    if (flags & 64) state.LastRequest = input.take(input.byte());
    const std::vector<std::uint8_t> block = input.take(input.number16());
    dispatcher.onReceiveData(block.data(), block.size());
  }
  return 0;
}
