// The chart window's whole-file view at full size: 2,000,000 records (a 32 MB data file).
//   chart_bench --benchmark_counters_tabular=true     (runs offscreen by itself)
// Target: the whole file drawn in under 500 ms, that is thinned per pixel column for the three
// series, the points handed to the chart and the chart painted once (a 1024 x 768 window).
// Reading and decoding the file into columns is measured on its own: it happens once per file.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineSeries>
#include <QPixmap>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "data/data_file.h"
#include "data/data_page.h"
#include "data/decimate.h"
#include "data/record_series.h"
#include "ui/velmo/record_chart.h"

namespace {

constexpr std::size_t kRecords = 2000000;
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

std::uint8_t bcd(int v) { return static_cast<std::uint8_t>(v / 10 * 16 + v % 10); }

void put24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}

// One record a second from 2026-01-01: a semi-diurnal tide, a slow temperature drift, noise.
std::vector<std::uint8_t> stream() {
  std::vector<std::uint8_t> bytes(kRecords * 16 + 2);
  const std::time_t start = 1767225600;  // 2026-01-01 00:00:00 UTC
  for (std::size_t i = 0; i < kRecords; ++i) {
    std::uint8_t* r = &bytes[i * 16];
    const std::time_t t = start + std::time_t(i);
    std::tm when{};
    gmtime_r(&t, &when);
    r[0] = bcd(when.tm_year - 100);
    r[1] = bcd(when.tm_mon + 1);
    r[2] = bcd(when.tm_mday);
    r[3] = bcd(when.tm_hour);
    r[4] = bcd(when.tm_min);
    r[5] = bcd(when.tm_sec);
    const double tide = std::sin(i * 2 * M_PI / 44712.0);
    const double noise = double(i * 2654435761u % 1000) / 1000.0 - 0.5;
    put24(r + 6, std::uint32_t(std::lround((12 + 6 * std::sin(i * 2 * M_PI / 1.5e6) + 0.1 * noise) * 10000)));
    put24(r + 9, std::uint32_t(std::lround((181.3 + 20 * tide + noise) * 10000)));
    put24(r + 12, std::uint32_t(std::lround((42 + 3 * tide) * 10000)));
    r[15] = 80;
  }
  return bytes;
}

// The data file, written once for every benchmark of the run.
const std::string& dataFile() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "chart_bench.wlr").string();
    const std::vector<std::uint8_t> bytes = stream();
    ql::DataFileHeader header;
    header.setSerialNumber("0210012345");
    ql::writeDataFile(p, header, bytes.data(), bytes.size());
    return p;
  }();
  return path;
}

const ql::RecordSeries& columns() {
  static const ql::RecordSeries series = [] {
    ql::RecordSeries s;
    const std::vector<std::uint8_t> bytes = stream();
    s.append(bytes.data(), bytes.size() - 2, ql::DepthParameters{});
    return s;
  }();
  return series;
}

// Opening the file and reading every record into the chart's columns, as the chart window does.
void BM_ReadWholeFile(benchmark::State& state) {
  const std::string& path = dataFile();
  for (auto _ : state) {
    ql::DataPage page;
    page.openDataFile(path);
    ql::RecordSeries series;
    series.reserve(std::size_t(page.recordCount()));
    for (std::int64_t first = 0; first < page.recordCount(); first += 65536) {
      const std::vector<std::uint8_t> bytes = page.readRecords(first, 65536);
      series.append(bytes.data(), bytes.size(), ql::DepthParameters{});
    }
    benchmark::DoNotOptimize(series.size());
  }
  state.counters["records"] = double(kRecords);
}
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Thinning alone: three series to 1000 pixel columns.
void BM_Decimate(benchmark::State& state) {
  const ql::RecordSeries& s = columns();
  for (auto _ : state) {
    for (const std::vector<float>* values : {&s.temperature, &s.pressure, &s.waterHeight}) {
      auto points = ql::decimateMinMax(s.timeMs.data(), values->data(), s.size(), s.timeMs.front(),
                                       s.timeMs.back(), 1000);
      benchmark::DoNotOptimize(points.data());
    }
  }
}
BENCHMARK(BM_Decimate)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole file drawn: thinned, handed to the series, the chart painted into a pixmap.
void BM_DrawWholeFile(benchmark::State& state) {
  const ql::RecordSeries& s = columns();
  ql::RecordChart chart;
  chart.resize(kWidth, kHeight);
  chart.show();
  QApplication::processEvents();
  std::size_t points = 0;
  for (auto _ : state) {
    chart.setData(&s, true);
    QPixmap picture = chart.grab();
    benchmark::DoNotOptimize(picture.cacheKey());
    points = std::size_t(chart.series(ql::RecordChart::Value::Pressure)->count());
  }
  state.counters["points_per_series"] = double(points);
  state.counters["plot_columns"] = chart.plotWidth();
}
BENCHMARK(BM_DrawWholeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// One wheel step in the thinned view: the range narrows, the series are thinned again, painted.
void BM_ZoomStep(benchmark::State& state) {
  const ql::RecordSeries& s = columns();
  ql::RecordChart chart;
  chart.resize(kWidth, kHeight);
  chart.show();
  chart.setData(&s, true);
  QApplication::processEvents();
  bool in = true;
  int steps = 0;
  for (auto _ : state) {
    const double centre = (chart.visibleFirstMs() + chart.visibleLastMs()) / 2;
    chart.zoomTimeAround(centre,
                         in ? ql::RecordChart::kWheelSpanFactor : 1 / ql::RecordChart::kWheelSpanFactor);
    chart.redraw();
    QPixmap picture = chart.grab();
    benchmark::DoNotOptimize(picture.cacheKey());
    if (++steps % 10 == 0) in = !in;
  }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(dataFile());
  return 0;
}
