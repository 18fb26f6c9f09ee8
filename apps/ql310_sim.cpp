// ql310-sim: one simulated QL310 logger on a new pseudo-terminal. Prints the terminal's path,
// answers only at its own line rate, and serves until SIGINT or SIGTERM.

#include <signal.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/logger_model.h"
#include "sim/model_family.h"
#include "sim/pty_server.h"
#include "sim/reference_rig.h"

namespace {

constexpr const char* kUsage =
    "usage: ql310-sim [--baud N] [--link PATH] [--serial N] [--files N] [--file-size BYTES]\n"
    "                 [--erase-ms MS] [--split] [--drop-every N] [--stall-after N] [--garbage]\n"
    "                 [--stray N] [--pace] [--clock-offset S] [--running] [--model TEXT]\n"
    "                 [--reference PATH] [--corrupt-stream] [--help] [--version]\n"
    "\n"
    "Serves one simulated QL310 logger on a new pseudo-terminal and prints its path.\n"
    "  --baud N         line rate the logger answers at (default 9600)\n"
    "  --link PATH      make PATH a symbolic link to the terminal (an old link is replaced)\n"
    "  --serial N       serial number (default 210012345)\n"
    "  --files N        recorded files in the logger, 0..16, of varied kinds (tide, dive,\n"
    "                   temperature drift) and sizes up to 1 MiB (default 3)\n"
    "  --file-size B    one more file (a tide recording) of exactly B bytes; it is made\n"
    "                   as it is sent, so even 32 MiB costs no memory\n"
    "  --erase-ms MS    time the logger takes to erase all files, answering nothing\n"
    "                   meanwhile (default 45000)\n"
    "  --split          split every reply after 8 bytes with a 40 ms pause\n"
    "  --drop-every N   lose every N-th reply\n"
    "  --stall-after N  answer nothing after N replies\n"
    "  --garbage        answer garbage, not silence, at a wrong line rate\n"
    "  --stray N        slip N stray bytes into every file stream at random places\n"
    "  --corrupt-stream flip one bit of a value in every file stream (the reply's checksum\n"
    "                   no longer matches)\n"
    "  --pace           send no faster than the line rate would carry the bytes\n"
    "  --clock-offset S start with the logger's clock S seconds ahead of this computer's\n"
    "                   (negative: behind); a clock write sets it\n"
    "  --running        start with the logging task recording; the flash in use grows by\n"
    "                   one 16-byte record per record interval\n"
    "  --model TEXT     the model: QL310 (default) or a text with digits, whose number\n"
    "                   becomes the model code; a text containing 25 (QL325) gives the\n"
    "                   second family's calibration registers and parameter block\n"
    "  --reference PATH also serve a pressure reference on a second terminal, PATH a\n"
    "                   symbolic link to it; its output is piped to the logger's pressure\n"
    "                   sensor. It takes :OUTPut:STATe ON|OFF and :SOURce <kPa> lines at any\n"
    "                   line rate and answers nothing. Its terminal is printed second.\n"
    "Runs until interrupted (SIGINT, SIGTERM); then removes the link.\n";

constexpr int kSplitAt = 8;
constexpr std::int64_t kMaxClockOffset = 100LL * 366 * 24 * 3600;

ql::sim::PtyServer* runningServer = nullptr;

void onStopSignal(int) {
  if (runningServer) runningServer->requestStop();
}

template <typename Number>
bool parseNumber(std::string_view text, Number& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

int usageError(const std::string& message) {
  std::cerr << "ql310-sim: " << message << "\n" << kUsage;
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  ql::sim::LoggerConfig config;
  ql::sim::LoggerFaults faults;
  ql::sim::PtyOptions options;
  std::optional<std::uint32_t> extraFileSize;
  std::string referenceLink;

  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "ql310-sim " << QL310_VERSION << "\n";
      return 0;
    }
    if (arg == "--split") {
      faults.splitAt = kSplitAt;
      continue;
    }
    if (arg == "--garbage") {
      faults.garbageAtWrongRate = true;
      continue;
    }
    if (arg == "--pace") {
      options.paceAtLineRate = true;
      continue;
    }
    if (arg == "--corrupt-stream") {
      faults.corruptStream = true;
      continue;
    }
    if (arg == "--running") {
      config.taskRunState = 1;
      continue;
    }
    bool takesValue = arg == "--baud" || arg == "--link" || arg == "--serial" || arg == "--files" ||
                      arg == "--file-size" || arg == "--erase-ms" || arg == "--drop-every" ||
                      arg == "--stall-after" || arg == "--stray" || arg == "--clock-offset" ||
                      arg == "--model" || arg == "--reference";
    if (!takesValue) return usageError("unknown option " + std::string(arg));
    if (i + 1 >= argc) return usageError(std::string(arg) + " needs a value");
    std::string_view value = argv[++i];

    bool valid = true;
    if (arg == "--link") {
      options.linkPath = std::string(value);
      valid = !value.empty();
    } else if (arg == "--baud") {
      valid = parseNumber(value, config.baudRate) && config.baudRate > 0;
    } else if (arg == "--serial") {
      valid = parseNumber(value, config.serialNumber);
    } else if (arg == "--files") {
      valid = parseNumber(value, config.fileCount) && config.fileCount >= 0 &&
              config.fileCount <= ql::sim::RecordedFiles::kSlots;
    } else if (arg == "--file-size") {
      std::uint32_t size = 0;
      valid = parseNumber(value, size) && size > 0;
      extraFileSize = size;
    } else if (arg == "--erase-ms") {
      valid = parseNumber(value, config.eraseAllMs) && config.eraseAllMs >= 0;
    } else if (arg == "--stray") {
      valid = parseNumber(value, faults.strayBytes) && faults.strayBytes >= 0;
    } else if (arg == "--drop-every") {
      valid = parseNumber(value, faults.dropEvery) && faults.dropEvery > 0;
    } else if (arg == "--clock-offset") {
      // Within a century either way: the logger's clock holds only years 2000..2099.
      valid = parseNumber(value, config.clockOffsetSeconds) &&
              config.clockOffsetSeconds >= -kMaxClockOffset && config.clockOffsetSeconds <= kMaxClockOffset;
    } else if (arg == "--reference") {
      referenceLink = std::string(value);
      valid = !value.empty();
    } else if (arg == "--model") {
      valid = ql::sim::applyModelText(config, value);
    } else if (arg == "--stall-after") {
      valid = parseNumber(value, faults.stallAfter) && faults.stallAfter > 0;
    }
    if (!valid) return usageError("bad value for " + std::string(arg) + ": " + std::string(value));
  }

  ql::sim::LoggerModel model(config);
  if (extraFileSize) {
    ql::sim::FilePlan plan;
    plan.size = *extraFileSize;
    if (model.files().add(plan) == 0)
      return usageError("--file-size needs a free slot: use --files 15 or fewer");
  }
  model.setFaults(faults);
  ql::sim::PtyServer server(model, options);
  std::unique_ptr<ql::sim::ReferenceRig> reference;
  try {
    server.open();
    if (!referenceLink.empty()) reference = std::make_unique<ql::sim::ReferenceRig>(model, referenceLink);
  } catch (const std::exception& error) {
    std::cerr << "ql310-sim: " << error.what() << "\n";
    return 2;
  }

  runningServer = &server;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::cout << server.slavePath() << std::endl;
  if (reference) std::cout << reference->path() << std::endl;
  server.run();
  runningServer = nullptr;
  return 0;
}
