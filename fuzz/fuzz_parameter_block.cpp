// The .CRO loader: a saved parameter block of any length and content.
#include "calibration/parameter_block.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = ql::fuzz::writeScratchFile("input.CRO", data, size);
  ql::calibration::ParameterBlock block;
  if (block.loadFile(path)) {
    block.modelNumber();
    block.modelOfSecondFamily();
    block.slice(0, ql::calibration::ParameterBlock::kBufferSize);
    block.slice(590, 40);
  }
  return 0;
}
