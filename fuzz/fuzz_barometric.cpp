// The barometric file reader: a CSV of readings (first byte even) or the records of a data file
// (odd), then lookups before, at, between and after the readings of a series that loaded.
#include "data/barometric_series.h"
#include "input_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader input(data, size);
  const bool asRecords = input.byte() & 1;
  const std::vector<std::uint8_t> body = input.rest();
  const ql::BarometricLoad load =
      asRecords
          ? ql::barometricFromRecords(body.data(), body.size())
          : ql::parseBarometricCsv(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
  if (!load.series) {
    if (load.problem.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const ql::BarometricSeries& series = *load.series;
  if (series.seconds.size() != series.kpa.size()) __builtin_trap();
  for (std::size_t i = 1; i < series.size(); ++i)
    if (series.seconds[i] <= series.seconds[i - 1]) __builtin_trap();
  ql::BarometricCursor cursor(series);
  for (std::size_t i = 0; i < series.size(); ++i) {
    const std::int64_t t = series.seconds[i];
    const auto at = cursor.at(t);
    if (!at || *at != series.kpa[i]) __builtin_trap();  // a reading is found at its own time
    cursor.at(t + 1);
  }
  if (series.size() > 0) {
    if (cursor.at(series.seconds.front() - 1)) __builtin_trap();  // never extrapolated
    if (cursor.at(series.seconds.back() + 1)) __builtin_trap();
  }
  return 0;
}
