#include "calibration/polynomial_value.h"

#include <cmath>
#include <limits>

#include "runtime/formats.h"

namespace ql {

double EvaluatePolynomial(const PolynomialCoefficients& coefficients, double x) {
  double y = 0;
  double power = 1;
  for (double coefficient : coefficients) {
    y += coefficient * power;
    power *= x;
  }
  return y;
}

double EvaluateProbePolynomial(const PolynomialCoefficients& coefficients, double x) {
  // Converting a double beyond the float range is undefined; such an x becomes an infinity.
  constexpr double kFloatMax = std::numeric_limits<float>::max();
  const double single = std::fabs(x) > kFloatMax ? std::copysign(HUGE_VAL, x) : static_cast<float>(x);
  return EvaluatePolynomial(coefficients, single);
}

std::string formatCoefficient(double value) { return formatScientific(value); }

std::string formatLargestError(const PolynomialFit& fit) {
  return formatShortest(fit.largestError) + " @ " + std::to_string(fit.largestErrorIndex);
}

}  // namespace ql
