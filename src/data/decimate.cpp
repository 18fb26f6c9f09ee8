#include "data/decimate.h"

#include <cmath>
#include <limits>

namespace ql {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

struct Bucket {
  std::size_t low = kNone;   // index of the lowest point
  std::size_t high = kNone;  // index of the highest point
};

}  // namespace

std::vector<ChartPoint> decimateMinMax(const double* x, const float* y, std::size_t count, double xFirst,
                                       double xLast, int buckets) {
  if (buckets < 1) buckets = 1;
  std::vector<Bucket> table(static_cast<std::size_t>(buckets));
  const double width = xLast - xFirst;
  const bool inRangeExists = width >= 0;
  // Points at xLast belong to the last bucket.
  const double scale = width > 0 ? buckets / width : 0;

  std::size_t before = kNone;  // the nearest point left of the range
  std::size_t after = kNone;   // the nearest point right of it
  for (std::size_t i = 0; i < count; ++i) {
    if (std::isnan(y[i])) continue;
    const double xi = x[i];
    if (!inRangeExists || xi < xFirst) {
      if (xi <= xFirst && (before == kNone || xi > x[before])) before = i;
      if (!inRangeExists && xi > xLast && (after == kNone || xi < x[after])) after = i;
      continue;
    }
    if (xi > xLast) {
      if (after == kNone || xi < x[after]) after = i;
      continue;
    }
    std::size_t b = static_cast<std::size_t>((xi - xFirst) * scale);
    if (b >= table.size()) b = table.size() - 1;
    Bucket& bucket = table[b];
    if (bucket.low == kNone) {
      bucket.low = bucket.high = i;
    } else {
      if (y[i] < y[bucket.low]) bucket.low = i;
      if (y[i] > y[bucket.high]) bucket.high = i;
    }
  }

  std::vector<ChartPoint> points;
  points.reserve(table.size() * 2 + 2);
  auto add = [&](std::size_t i) { points.push_back({x[i], double(y[i])}); };
  if (before != kNone) add(before);
  for (const Bucket& bucket : table) {
    if (bucket.low == kNone) continue;
    if (bucket.low == bucket.high) {
      add(bucket.low);
    } else if (bucket.low < bucket.high) {
      add(bucket.low);
      add(bucket.high);
    } else {
      add(bucket.high);
      add(bucket.low);
    }
  }
  if (after != kNone) add(after);
  return points;
}

}  // namespace ql
