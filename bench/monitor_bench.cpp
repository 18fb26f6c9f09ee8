// The online monitor's costs: redrawing the curve of a full 100,000-sample ring at 1600 pixels
// (goal: under 5 ms), storing one sample (and that it allocates nothing), and writing and reading
// sysuse.d with a full ring (goal: under 50 ms each). Run with QT_QPA_PLATFORM=offscreen.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include "shell/language_texts.h"
#include "shell/saved_state.h"
#include "status/live_values.h"
#include "ui/velmo/monitor_window.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace ql {
namespace {

constexpr std::time_t kStart = 1796900000;

// A ring with every slot written, one sample a second.
std::unique_ptr<SavedState> fullState() {
  auto state = std::make_unique<SavedState>();
  std::time_t now = kStart;
  LiveValues live(
      state->history, [&now] { return now; }, [] { return LiveDisplaySettings{}; });
  for (std::size_t i = 0; i < MonitorHistory::kSlots; ++i, ++now)
    live.storeInRing(LiveSample{20.0 + (i % 600) / 100.0, 100.0 + (i % 300) / 3.0, 40.0, 18.0});
  return state;
}

void MonitorRedrawFullRing(benchmark::State& bench) {
  auto state = fullState();
  LiveValues live(
      state->history, [] { return kStart; }, [] { return LiveDisplaySettings{}; });
  const LanguageTexts texts = LanguageTexts::fromFile(QL_BENCH_RESOURCE_DIR "/chinese.lag");
  MonitorWindow window(live, texts);
  window.resize(1600, 1000);
  window.setChannel(static_cast<MonitorChannel>(bench.range(0)));
  for (auto _ : bench) benchmark::DoNotOptimize(window.redrawCurve().constBits());
}
BENCHMARK(MonitorRedrawFullRing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void StoreOneSample(benchmark::State& bench) {
  auto state = fullState();
  std::time_t now = kStart;
  LiveValues live(
      state->history, [&now] { return ++now; }, [] { return LiveDisplaySettings{}; });
  const LiveSample sample{21.5, 110.25, 45.0, -3.25};
  long allocated = 0;
  for (auto _ : bench) {
    const long before = allocations.load(std::memory_order_relaxed);
    live.storeInRing(sample);
    allocated += allocations.load(std::memory_order_relaxed) - before;
  }
  bench.counters["allocations"] = static_cast<double>(allocated);
  if (allocated != 0) bench.SkipWithError("storing a sample allocated");
}
BENCHMARK(StoreOneSample)->Unit(benchmark::kNanosecond);

// A whole reply: decoding, the ring and the shown texts.
void AcceptOneReply(benchmark::State& bench) {
  auto state = fullState();
  LiveValues live(
      state->history, [] { return kStart; }, [] { return LiveDisplaySettings{}; });
  const Bytes reply{0x01, 0x03, 0x00, 0x01, 0x00, 0x08, 0x15, 0xCC, 0x01, 0x03, 0x10, 0x00, 0x10, 0xD2, 0xA4,
                    0x00, 0x03, 0x47, 0xD8, 0x00, 0x06, 0xDD, 0xD0, 0xFF, 0xFF, 0x81, 0x0C, 0x00, 0x00};
  for (auto _ : bench) benchmark::DoNotOptimize(live.acceptReply(reply));
}
BENCHMARK(AcceptOneReply)->Unit(benchmark::kMicrosecond);

std::string benchFile() {
  return (std::filesystem::temp_directory_path() /
          ("monitor_bench_sysuse_" + std::to_string(::getpid()) + ".d"))
      .string();
}

void SaveSysuseFullRing(benchmark::State& bench) {
  auto state = fullState();
  const std::string path = benchFile();
  for (auto _ : bench) benchmark::DoNotOptimize(saveSavedState(path, *state));
  std::filesystem::remove(path);
}
BENCHMARK(SaveSysuseFullRing)->Unit(benchmark::kMillisecond);

void LoadSysuseFullRing(benchmark::State& bench) {
  const std::string path = benchFile();
  saveSavedState(path, *fullState());
  for (auto _ : bench) benchmark::DoNotOptimize(loadSavedState(path).fileFound);
  std::filesystem::remove(path);
}
BENCHMARK(LoadSysuseFullRing)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ql

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
