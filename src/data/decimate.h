#pragma once
// Thins a long series for drawing: the visible x range is cut into buckets (one per pixel
// column) and each bucket keeps only its lowest and highest point, in the order they come. The
// drawn line then covers exactly the pixels the full series would, whatever its length.
//
// The points need not be sorted by x; the work is one pass over them. Points whose y is NaN (no
// value there) are left out.

#include <cstddef>
#include <vector>

namespace ql {

struct ChartPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// At most 2 points per bucket for the points with x in [xFirst, xLast], ordered by bucket and,
// within a bucket, by their index; plus the nearest point on each side outside the range, so
// the line runs on to the edges. buckets below 1 count as 1; an empty or reversed range gives
// only the outside neighbours.
std::vector<ChartPoint> decimateMinMax(const double* x, const float* y, std::size_t count, double xFirst,
                                       double xLast, int buckets);

}  // namespace ql
