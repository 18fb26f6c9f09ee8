// File download benchmarks:
//  1. realignment of a 32 MiB stream with 1000 stray bytes slipped in at random places;
//  2. a 32 MiB file fetched from a simulated logger on a pseudo-terminal as fast as the line
//     takes it (speed switch, transfer, realignment, the data file written), wall time;
//  3. the same with the logger paced at the line rate (115200 after the switch): the transfer's
//     wall time against the wire time of the bytes sent (1 MiB by default; 32 MiB take 49 min).
// velmo's core runs as in `velmo download`: real serial port with its threads, real event loop.
//
// usage: download_bench [--mib N] [--paced-kib N] [--no-paced]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "data/data_file.h"
#include "data/realign.h"
#include "sim/logger_model.h"
#include "sim/pty_server.h"
#include "sim/recorded_file.h"
#include "sim/registers.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::uint8_t bcd(int value) { return static_cast<std::uint8_t>(value / 10 * 16 + value % 10); }

void realignBench() {
  const std::size_t records = 32u * 1024 * 1024 / 16;
  std::vector<std::uint8_t> clean(records * 16 + 2);
  for (std::size_t i = 0; i < records; ++i) {
    std::uint8_t* r = clean.data() + i * 16;
    const std::size_t s = i;
    const std::uint8_t stamp[6] = {
        bcd(26),    bcd(1 + s / 2678400 % 12), bcd(1 + s / 86400 % 28), bcd(s / 3600 % 24), bcd(s / 60 % 60),
        bcd(s % 60)};
    std::memcpy(r, stamp, 6);
    std::memset(r + 6, 0xE7, 10);
  }
  // 1000 stray bytes between records, where realignment can take them out again.
  std::mt19937 random(1);
  std::vector<std::size_t> spots;
  for (int i = 0; i < 1000; ++i) spots.push_back(16 * (1 + random() % (records - 1)));
  std::sort(spots.begin(), spots.end());
  std::vector<std::uint8_t> stream;
  stream.reserve(clean.size() + spots.size());
  std::size_t from = 0;
  for (std::size_t spot : spots) {
    stream.insert(stream.end(), clean.begin() + static_cast<std::ptrdiff_t>(from),
                  clean.begin() + static_cast<std::ptrdiff_t>(spot));
    stream.push_back(0xAB);
    from = spot;
  }
  stream.insert(stream.end(), clean.begin() + static_cast<std::ptrdiff_t>(from), clean.end());

  const auto started = Clock::now();
  const std::size_t length = ql::realignRecords(stream.data(), stream.size());
  const double took = seconds(Clock::now() - started);
  const bool exact = length == clean.size() && std::memcmp(stream.data(), clean.data(), length) == 0;
  std::printf("realign: %zu bytes with %zu stray bytes in %.1f ms (%s)\n", stream.size(), spots.size(),
              took * 1000, exact ? "restored exactly" : "NOT RESTORED");
}

// One file in a simulated logger on a pseudo-terminal, fetched by velmo's core.
void downloadBench(std::uint32_t size, bool paced) {
  const fs::path home = fs::temp_directory_path() / ("download-bench-" + std::to_string(::getpid()));
  fs::remove_all(home);

  ql::sim::LoggerConfig config;
  config.fileCount = 0;
  ql::sim::LoggerModel model(config);
  ql::sim::FilePlan plan;
  plan.size = size;
  plan.intervalMs = 1000;
  model.files().put(1, plan);
  auto file = model.files().file(1);
  file->checksum();  // the logger knows its file before it is asked
  ql::sim::PtyOptions options;
  options.paceAtLineRate = paced;
  ql::sim::PtyServer server(model, options);
  server.open();
  server.start();

  std::ostringstream questions;
  ql::cli::HeadlessSession session(
      questions, [&](char sep) { return server.slavePath() + sep; }, ql::VelmoHome(home.string()));
  ql::VelmoProgram& program = session.program;
  program.create();
  ql::cli::Options link;
  link.port = server.slavePath();
  link.baud = 9600;
  if (!ql::cli::connect(session, link, 20000) || !ql::cli::waitForInformation(session, 30000)) {
    std::printf("download: no logger answered\n");
    return;
  }

  ql::DownloadJob& job = program.download();
  Clock::time_point requested, complete;
  program.downloadProgress().subscribe([&] {
    if (program.downloadProgress().visible && requested == Clock::time_point{}) requested = Clock::now();
    if (program.downloadProgress().percent == 100 && complete == Clock::time_point{}) complete = Clock::now();
  });
  const auto started = Clock::now();
  program.startDownload(0);
  session.loop.runUntil([&] { return !job.running(); }, 24LL * 3600 * 1000);
  const auto stored = Clock::now();

  bool exact = false;
  if (job.outcome() == ql::DownloadJob::Outcome::Stored) {
    std::ifstream in(job.storedPath(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(ql::DataFileHeader::kSize));
    exact = fs::file_size(job.storedPath()) == ql::DataFileHeader::kSize + size;
    std::vector<char> got(1 << 20);
    for (std::uint64_t offset = 0; exact && offset < size; offset += got.size()) {
      ql::Bytes expected = file->read(offset, got.size());
      in.read(got.data(), static_cast<std::streamsize>(expected.size()));
      exact = std::memcmp(got.data(), expected.data(), expected.size()) == 0;
    }
  }
  // The reply: echo, head and stream, 10 bits a byte at the switched rate.
  const double wire = (ql::DownloadJob::kHeadSize + size) * 10.0 / ql::sim::kSpeedSwitchRate;
  const double transfer = seconds(complete - requested);
  std::printf(
      "download %s: %u bytes; pressed to stored %.2f s; request to last byte %.2f s; wire time %.2f s "
      "(%+.2f %%); %s\n",
      paced ? "paced at 115200" : "unpaced", size, seconds(stored - started), transfer, wire,
      (transfer - wire) / wire * 100, exact ? "stored exactly" : "NOT STORED EXACTLY");

  session.loop.runUntil([&] { return !program.rateRestorePending(); }, 5000);
  server.stop();
  fs::remove_all(home);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t mib = 32;
  std::uint32_t pacedKib = 1024;
  bool runPaced = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--mib" && i + 1 < argc) {
      mib = static_cast<std::uint32_t>(std::stoul(argv[++i]));
    } else if (arg == "--paced-kib" && i + 1 < argc) {
      pacedKib = static_cast<std::uint32_t>(std::stoul(argv[++i]));
    } else if (arg == "--no-paced") {
      runPaced = false;
    } else {
      std::fprintf(stderr, "usage: download_bench [--mib N] [--paced-kib N] [--no-paced]\n");
      return 1;
    }
  }
  realignBench();
  downloadBench(std::min<std::uint32_t>(mib * 1024 * 1024, ql::DownloadJob::kBufferSize), false);
  if (runPaced) downloadBench(pacedKib * 1024, true);
  return 0;
}
