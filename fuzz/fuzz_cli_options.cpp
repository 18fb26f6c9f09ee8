// The headless command line: the first byte picks the subcommand, the rest are its arguments
// separated by NUL bytes.
#include "cli/options.h"
#include "input_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader input(data, size);
  static const char* const kCommands[] = {"info",
                                          "files",
                                          "download",
                                          "clock",
                                          "config get",
                                          "config set",
                                          "monitor",
                                          "calibration backup",
                                          "calibration restore",
                                          "calibration fit",
                                          "export",
                                          "verify"};
  const std::string command = kCommands[input.byte() % std::size(kCommands)];
  std::vector<std::string> args;
  while (!input.empty()) args.push_back(input.field());
  std::string problem;
  const auto options = ql::cli::parseOptions(command, args, problem);
  if (!options && problem.empty()) __builtin_trap();  // a refusal always says why
  if (options && (options->timeoutMs < 1 || options->timeoutMs > 86400000)) __builtin_trap();
  return 0;
}
