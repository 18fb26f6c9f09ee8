// Calibration benchmarks:
//   calibration_bench --benchmark_counters_tabular=true
//  1. FitPolynomial of 101 pressure points at order 5 (goal: well under 1 ms); the median of the
//     repetitions is the figure.
//  2. A whole automatic calibration (11 points, two cycles, then the verification of both
//     directions) on the virtual clock: the virtual time it took against the windows it waits for.
//     Each calibration point is confirmed once AutoTicks exceeds the averaging window plus
//     ReferenceSource::kSettlingTicks, one tick a second from the moment the point was sent: window
//     + 11 s per point. Columns 2..5 hold 11 points each (the top point is measured at the end of
//     each rising and the start of each falling column): 44 confirmations. Verification confirms
//     after kVerificationTicks (10 s) each, over columns 7 and 8: 22 confirmations.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "calibration/polynomial_fit.h"
#include "calibration/reference_source.h"
#include "calibration/sample_rings.h"
#include "sim/acquisition.h"
#include "support/calibration_rig.h"

namespace {

using ql::calibration::ReferenceSource;
namespace pc = ql::calibration::pressure_column;

double pressureCode(double kPa) {
  return ql::sim::kPressureAdZero + ql::sim::kPressureAdPerKpa * kPa + ql::sim::kPressureAdSquare * kPa * kPa;
}

void FitPolynomial101PointsOrder5(benchmark::State& state) {
  std::vector<double> x, y;
  for (int i = 0; i <= 100; ++i) {
    const double kPa = 2.0 * i;
    x.push_back(pressureCode(kPa) + ql::sim::acquisitionNoise(i, 1, ql::sim::kPressureNoise));
    y.push_back(kPa * 1000);
  }
  for (auto _ : state) {
    ql::PolynomialFit fit = ql::FitPolynomial(x, y, 6);
    benchmark::DoNotOptimize(fit);
    if (!fit.ok) state.SkipWithError("the fit failed");
  }
}
BENCHMARK(FitPolynomial101PointsOrder5)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void AutomaticCalibrationVirtualTime(benchmark::State& state) {
  constexpr int kPoints = 11;
  const int window = ql::calibration::SampleRings::kDefaultWindow;
  const double perPoint = window + ReferenceSource::kSettlingTicks + 1;
  // The figure first asked for: one confirmation per point and cycle.
  const double planned = 2 * kPoints * perPoint + 2 * kPoints * ReferenceSource::kVerificationTicks;
  // What the advance does: every point in each of the four columns 2..5.
  const double windows = 4 * kPoints * perPoint + 2 * kPoints * ReferenceSource::kVerificationTicks;
  double calibrationS = 0, verificationS = 0;
  for (auto _ : state) {
    ql::test::CalibrationRig rig(QL_BENCH_RESOURCE_DIR, "bench");
    if (!rig.connect()) {
      state.SkipWithError("no logger");
      return;
    }
    rig.openWorkbench();
    std::vector<int> points;
    for (int i = 0; i < kPoints; ++i) points.push_back(20000 * i);
    rig.loadPoints(points);
    std::int64_t started = rig.loop.nowMs();
    rig.startAutomaticStepping(pc::kCycle1Rising);
    if (!rig.runUntilColumn(pc::kAverage, 4 * 3600 * 1000LL)) {
      state.SkipWithError("the calibration did not end");
      return;
    }
    calibrationS = (rig.loop.nowMs() - started) / 1000.0;
    rig.fit(3);
    started = rig.loop.nowMs();
    rig.startAutomaticStepping(pc::kVerifyRising);
    if (!rig.runUntilColumn(pc::kError, 3600 * 1000LL)) {
      state.SkipWithError("the verification did not end");
      return;
    }
    verificationS = (rig.loop.nowMs() - started) / 1000.0;
  }
  state.counters["virtual_s"] = calibrationS + verificationS;
  state.counters["calibration_s"] = calibrationS;
  state.counters["verification_s"] = verificationS;
  state.counters["windows_s"] = windows;
  state.counters["planned_s"] = planned;
}
BENCHMARK(AutomaticCalibrationVirtualTime)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
