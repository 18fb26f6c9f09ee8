#pragma once
// Least-squares polynomial fit of calibration points: an orthogonal-polynomial recurrence on
// abscissae centred on their mean, expanded into plain powers a + b·x + ... + f·x^5.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace ql {

// At most six coefficients: order 5.
inline constexpr int kMaxPolynomialCoefficients = 6;

// Coefficients a..f of y = a + b·x + c·x^2 + d·x^3 + e·x^4 + f·x^5.
using PolynomialCoefficients = std::array<double, kMaxPolynomialCoefficients>;

struct PolynomialFit {
  // False when the points cannot determine the polynomial; then `reason` says why and the
  // coefficients and error figures are all 0.
  bool ok = false;
  std::string reason;
  PolynomialCoefficients coefficients{};  // slots at and above the coefficient count are exactly 0
  // Errors e_i = fitted value − y[i] over all points.
  double sumOfSquares = 0;
  double sumOfAbsolute = 0;
  double largestError = 0;            // largest |e_i|
  std::size_t largestErrorIndex = 0;  // the first point reaching it (0-based)
};

// Fits `coefficientCount` (1..6, the order + 1) coefficients to the points (x[i], y[i]).
// Fails, without dividing by zero, when x and y differ in length, a value is not finite, the count
// is out of range, or there are fewer distinct abscissae than coefficients.
PolynomialFit FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, int coefficientCount);

}  // namespace ql
