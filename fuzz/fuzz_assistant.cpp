// serulo's readers: typed hexadecimal text, the parameter read-out of a received block, and the
// companion file of the receive area.
#include <fuzzer/FuzzedDataProvider.h>

#include "assistant/hex_reader.h"
#include "assistant/read_out.h"
#include "assistant/receive_area_file.h"
#include "scratch_file.h"

namespace {

ql::ValueType type(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? ql::ValueType::Float : ql::ValueType::Integer;
}

ql::ReadOutParameters parameters(FuzzedDataProvider& input) {
  ql::ReadOutParameters p;
  for (auto& byPosition : p.byPosition)
    byPosition = {"p", type(input), input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>()};
  for (auto& byPattern : p.byPattern)
    byPattern = {"q", type(input), input.ConsumeRandomLengthString(12), input.ConsumeIntegral<int>()};
  p.bcd = {"b", input.ConsumeRandomLengthString(12), input.ConsumeIntegral<int>()};
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // The last byte picks the reader; the read-out's parameters come from the end of the input.
  const int which = input.ConsumeIntegralInRange(0, 2);
  if (which == 0) {
    const std::string text = input.ConsumeRemainingBytesAsString();
    const ql::Bytes bytes = ql::readHex(text);
    const std::string digits = ql::keepHexDigits(text);
    if (bytes.size() != (digits.size() + 1) / 2) __builtin_trap();  // every digit is read
    ql::hexDump(bytes);
  } else if (which == 1) {
    const ql::ReadOutParameters p = parameters(input);
    const std::vector<std::uint8_t> block = input.ConsumeRemainingBytes<std::uint8_t>();
    ql::ReadOut(p, block.data(), block.size());
  } else {
    const std::vector<std::uint8_t> file = input.ConsumeRemainingBytes<std::uint8_t>();
    const std::string path = ql::fuzz::writeScratchFile("serulo.inm", file.data(), file.size());
    if (auto text = ql::readReceiveAreaFile(path); text && text->size() > ql::kReceiveAreaFileLimit * 3)
      __builtin_trap();
  }
  return 0;
}
