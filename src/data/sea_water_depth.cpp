#include "data/sea_water_depth.h"

#include <cmath>

namespace ql {

double unescoGravity(double latitudeDegrees, double pressureDbar) {
  const double s = std::sin(latitudeDegrees * M_PI / 180.0);
  const double x = s * s;
  return 9.780318 * (1.0 + (5.2788e-3 + 2.36e-5 * x) * x) + 1.092e-6 * pressureDbar;
}

double unescoDepthMetres(double pressureDbar, double latitudeDegrees) {
  const double p = pressureDbar;
  const double numerator = (((-1.82e-15 * p + 2.279e-10) * p - 2.2512e-5) * p + 9.72659) * p;
  return numerator / unescoGravity(latitudeDegrees, p);
}

}  // namespace ql
