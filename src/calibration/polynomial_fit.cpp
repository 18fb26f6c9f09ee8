#include "calibration/polynomial_fit.h"

#include <algorithm>
#include <cmath>

namespace ql {
namespace {

PolynomialFit failed(std::string reason) {
  PolynomialFit fit;
  fit.reason = std::move(reason);
  return fit;
}

std::size_t distinctCount(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return static_cast<std::size_t>(std::unique(values.begin(), values.end()) - values.begin());
}

// Horner's rule on the first `count` coefficients of `poly` at u.
double horner(const std::array<double, kMaxPolynomialCoefficients>& poly, int count, double u) {
  double value = 0;
  for (int k = count - 1; k >= 0; --k) value = value * u + poly[k];
  return value;
}

// Sums of the recurrence for the orthogonal polynomial whose values at the points are q.
struct Projection {
  double d2 = 0;  // sum of q_i^2
  double c = 0;   // sum of y_i·q_i
  double g = 0;   // sum of (x_i − z)·q_i^2
};

Projection project(const std::vector<double>& u, const std::vector<double>& y, const std::vector<double>& q) {
  Projection s;
  for (std::size_t i = 0; i < u.size(); ++i) {
    s.d2 += q[i] * q[i];
    s.c += y[i] * q[i];
    s.g += u[i] * q[i] * q[i];
  }
  return s;
}

// A zero (or overflowing) norm would make the recurrence divide by zero.
bool usableNorm(double d2) { return d2 > 0 && std::isfinite(d2); }

// Plain-power coefficients a..f of the sum of c_k·(x − Z)^k.
PolynomialCoefficients expand(const std::array<double, kMaxPolynomialCoefficients>& c, double Z) {
  const double Z2 = Z * Z, Z3 = Z2 * Z, Z4 = Z3 * Z, Z5 = Z4 * Z;
  return {
      c[0] - c[1] * Z + c[2] * Z2 - c[3] * Z3 + c[4] * Z4 - c[5] * Z5,
      c[1] - 2 * c[2] * Z + 3 * c[3] * Z2 - 4 * c[4] * Z3 + 5 * c[5] * Z4,
      c[2] - 3 * c[3] * Z + 6 * c[4] * Z2 - 10 * c[5] * Z3,
      c[3] - 4 * c[4] * Z + 10 * c[5] * Z2,
      c[4] - 5 * c[5] * Z,
      c[5],
  };
}

}  // namespace

PolynomialFit FitPolynomial(const std::vector<double>& x, const std::vector<double>& y,
                            int coefficientCount) {
  const int m = coefficientCount;
  if (m < 1 || m > kMaxPolynomialCoefficients) return failed("the order must be 0 to 5");
  if (x.size() != y.size()) return failed("x and y hold different numbers of points");
  for (std::size_t i = 0; i < x.size(); ++i)
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return failed("a point is not a finite number");
  if (distinctCount(x) < static_cast<std::size_t>(m))
    return failed("too few distinct points for the order: need at least " + std::to_string(m));

  const std::size_t n = x.size();
  const double nd = static_cast<double>(n);

  // 1. Centre, each term divided by n before adding.
  double z = 0;
  for (double xi : x) z += xi / nd;
  std::vector<double> u(n);
  for (std::size_t i = 0; i < n; ++i) u[i] = x[i] - z;

  // 2.-3. Degree 0.
  std::array<double, kMaxPolynomialCoefficients> a{}, b{}, t{}, s{};
  b[0] = 1;
  double d1 = nd;
  double sumU = 0, sumY = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sumU += u[i];
    sumY += y[i];
  }
  double p = sumU / d1;
  double c = sumY / d1;
  double q = 0;
  a[0] = c * b[0];

  std::vector<double> qi(n);
  // 4. Degree 1.
  if (m > 1) {
    t[1] = 1;
    t[0] = -p;
    for (std::size_t i = 0; i < n; ++i) qi[i] = u[i] - p;
    const Projection r = project(u, y, qi);
    if (!usableNorm(r.d2)) return failed("the points do not determine a polynomial of this order");
    c = r.c / r.d2;
    p = r.g / r.d2;
    q = r.d2 / d1;
    d1 = r.d2;
    a[1] = c * t[1];
    a[0] = a[0] + c * t[0];
  }

  // 5. Degrees 2 .. m − 1: s = (u − p)·t − q·b.
  for (int j = 2; j < m; ++j) {
    s[j] = t[j - 1];
    s[j - 1] = -p * t[j - 1] + t[j - 2];
    for (int k = j - 2; k >= 1; --k) s[k] = -p * t[k] + t[k - 1] - q * b[k];
    s[0] = -p * t[0] - q * b[0];

    for (std::size_t i = 0; i < n; ++i) qi[i] = horner(s, j + 1, u[i]);
    const Projection r = project(u, y, qi);
    if (!usableNorm(r.d2)) return failed("the points do not determine a polynomial of this order");
    c = r.c / r.d2;
    p = r.g / r.d2;
    q = r.d2 / d1;
    d1 = r.d2;

    a[j] = c * s[j];
    t[j] = s[j];
    for (int k = j - 1; k >= 0; --k) {
      a[k] = a[k] + c * s[k];
      b[k] = t[k];
      t[k] = s[k];
    }
  }

  PolynomialFit fit;
  fit.ok = true;

  // 6. Error figures on the centred form; only a strictly larger error moves the index.
  for (std::size_t i = 0; i < n; ++i) {
    const double e = horner(a, m, u[i]) - y[i];
    fit.sumOfSquares += e * e;
    fit.sumOfAbsolute += std::fabs(e);
    if (std::fabs(e) > fit.largestError) {
      fit.largestError = std::fabs(e);
      fit.largestErrorIndex = i;
    }
  }

  // 7. Expansion about the mean, this time summed first and then divided.
  double sumX = 0;
  for (double xi : x) sumX += xi;
  fit.coefficients = expand(a, sumX / nd);
  return fit;
}

}  // namespace ql
