// The data page's table over a 32 MiB data file (2,097,152 records), offscreen.
//   data_view_bench
// Targets: page 1 shown within 150 ms of opening, a page turn within 100 ms, each measured as the
// model reset plus one paint of the table (a 1000 x 700 view), as the operator sees it.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "data/data_file.h"
#include "data/data_page.h"
#include "ui/velmo/data_table_model.h"

namespace {

constexpr std::size_t kRecords = (32u << 20) / 16;

std::uint8_t bcd(int v) { return static_cast<std::uint8_t>(v / 10 * 16 + v % 10); }

const std::string& dataFile() {
  static const std::string path = [] {
    std::vector<std::uint8_t> stream(kRecords * 16 + 2);
    for (std::size_t i = 0; i < kRecords; ++i) {
      std::uint8_t* r = &stream[i * 16];
      const int t = int(i);
      r[0] = 0x26;
      r[1] = bcd(1 + t / (86400 * 28) % 12);
      r[2] = bcd(1 + t / 86400 % 28);
      r[3] = bcd(t / 3600 % 24);
      r[4] = bcd(t / 60 % 60);
      r[5] = bcd(t % 60);
      r[8] = std::uint8_t(i);
      r[10] = 0x10;
      r[11] = std::uint8_t(i >> 3);
      r[15] = 80;
    }
    const std::string p = (std::filesystem::temp_directory_path() / "data_view_bench.wlr").string();
    ql::DataFileHeader header;
    header.setSerialNumber("0210012345");
    ql::writeDataFile(p, header, stream.data(), stream.size());
    return p;
  }();
  return path;
}

struct Table {
  ql::DataPage page;
  ql::DataTableModel model{page, {"No.", "Time", "T", "P", "H", "C", "V"}};
  QTableView view;
  Table() {
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();
  }
  void paint() {
    QPixmap picture = view.grab();
    benchmark::DoNotOptimize(picture.cacheKey());
  }
};

void BM_OpenShowsPageOneInTheTable(benchmark::State& state) {
  const std::string& path = dataFile();
  Table table;
  for (auto _ : state) {
    table.page.openDataFile(path);
    table.model.reload();
    table.paint();
  }
}
BENCHMARK(BM_OpenShowsPageOneInTheTable)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TurnPageInTheTable(benchmark::State& state) {
  Table table;
  table.page.openDataFile(dataFile());
  table.model.reload();
  int page = 1;
  for (auto _ : state) {
    page = page % table.page.pageCount() + 1;
    table.page.showPage(page);
    table.model.reload();
    table.paint();
  }
}
BENCHMARK(BM_TurnPageInTheTable)->Unit(benchmark::kMillisecond)->UseRealTime();

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
