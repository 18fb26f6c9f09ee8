#include "calibration/polynomial_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "calibration/polynomial_value.h"

namespace ql {
namespace {

struct Points {
  std::vector<double> x, y;
};

// Value of the plain-power polynomial, in long double so the reference does not round like the fit.
long double referenceValue(const PolynomialCoefficients& c, long double x) {
  long double y = 0;
  for (int k = kMaxPolynomialCoefficients - 1; k >= 0; --k) y = y * x + c[k];
  return y;
}

Points sample(const PolynomialCoefficients& c, const std::vector<double>& x) {
  Points p{x, {}};
  for (double xi : x) p.y.push_back(static_cast<double>(referenceValue(c, xi)));
  return p;
}

std::vector<double> evenlySpaced(double first, double last, int count) {
  std::vector<double> x;
  for (int i = 0; i < count; ++i) x.push_back(first + (last - first) * i / (count - 1));
  return x;
}

// Least-squares coefficients from the normal equations, solved in long double by Gaussian
// elimination with partial pivoting: an independent route to the same answer.
std::vector<long double> normalEquations(const Points& p, int count) {
  std::vector<std::vector<long double>> m(count, std::vector<long double>(count + 1, 0));
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    for (int r = 0; r < count; ++r) {
      for (int c = 0; c < count; ++c) m[r][c] += std::pow(static_cast<long double>(p.x[i]), r + c);
      m[r][count] += p.y[i] * std::pow(static_cast<long double>(p.x[i]), r);
    }
  }
  for (int col = 0; col < count; ++col) {
    int pivot = col;
    for (int r = col + 1; r < count; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    std::swap(m[col], m[pivot]);
    for (int r = col + 1; r < count; ++r) {
      const long double f = m[r][col] / m[col][col];
      for (int c = col; c <= count; ++c) m[r][c] -= f * m[col][c];
    }
  }
  std::vector<long double> solution(count);
  for (int r = count - 1; r >= 0; --r) {
    long double v = m[r][count];
    for (int c = r + 1; c < count; ++c) v -= m[r][c] * solution[c];
    solution[r] = v / m[r][r];
  }
  return solution;
}

void expectNoResult(const PolynomialFit& fit) {
  EXPECT_FALSE(fit.ok);
  EXPECT_FALSE(fit.reason.empty());
  for (double c : fit.coefficients) EXPECT_EQ(c, 0.0);
  EXPECT_EQ(fit.sumOfSquares, 0.0);
  EXPECT_EQ(fit.sumOfAbsolute, 0.0);
  EXPECT_EQ(fit.largestError, 0.0);
}

TEST(FitPolynomial, StraightLineThroughThreePointsIsExact) {
  const PolynomialFit fit = FitPolynomial({1, 2, 3}, {3, 5, 7}, 2);
  ASSERT_TRUE(fit.ok) << fit.reason;
  EXPECT_DOUBLE_EQ(fit.coefficients[0], 1.0);
  EXPECT_DOUBLE_EQ(fit.coefficients[1], 2.0);
  for (int k = 2; k < kMaxPolynomialCoefficients; ++k) EXPECT_EQ(fit.coefficients[k], 0.0);
  EXPECT_EQ(fit.sumOfSquares, 0.0);
  EXPECT_EQ(fit.sumOfAbsolute, 0.0);
  EXPECT_EQ(fit.largestError, 0.0);
  EXPECT_EQ(fit.largestErrorIndex, 0u);
  EXPECT_EQ(formatCoefficient(fit.coefficients[0]), "1.0000000E+00");
  EXPECT_EQ(formatCoefficient(fit.coefficients[1]), "2.0000000E+00");
  EXPECT_EQ(formatCoefficient(fit.coefficients[5]), "0.0000000E+00");
  EXPECT_EQ(formatLargestError(fit), "0 @ 0");
}

TEST(FitPolynomial, UnusedHigherCoefficientsStayExactlyZero) {
  const PolynomialFit quadratic = FitPolynomial({0, 1, 2, 3}, {1, 2, 5, 10}, 3);
  ASSERT_TRUE(quadratic.ok) << quadratic.reason;
  EXPECT_NEAR(quadratic.coefficients[0], 1.0, 1e-12);
  EXPECT_NEAR(quadratic.coefficients[1], 0.0, 1e-12);
  EXPECT_NEAR(quadratic.coefficients[2], 1.0, 1e-12);
  EXPECT_EQ(quadratic.coefficients[3], 0.0);
  EXPECT_EQ(quadratic.coefficients[4], 0.0);
  EXPECT_EQ(quadratic.coefficients[5], 0.0);

  const PolynomialFit cubic = FitPolynomial({-5, -1, 2, 3, 7, 11}, {4, -2, 9, 1, 0, 3}, 4);
  ASSERT_TRUE(cubic.ok) << cubic.reason;
  EXPECT_NE(cubic.coefficients[3], 0.0);
  EXPECT_EQ(cubic.coefficients[4], 0.0);
  EXPECT_EQ(cubic.coefficients[5], 0.0);
}

// Noiseless points of a known polynomial give back its coefficients, also when the order is
// higher than the polynomial's degree or the points are exactly enough.
TEST(FitPolynomial, RecoversKnownPolynomials) {
  struct Case {
    const char* name;
    PolynomialCoefficients truth;
    int order;
    std::vector<double> x;
  };
  const std::vector<double> spread = evenlySpaced(-3, 12, 16);
  const std::vector<Case> cases = {
      {"degree 1", {-4.5, 0.75, 0, 0, 0, 0}, 1, spread},
      {"degree 2", {2, -1.5, 0.25, 0, 0, 0}, 2, spread},
      {"degree 3", {1, 2, -0.5, 0.03, 0, 0}, 3, spread},
      {"degree 4", {-7, 0.5, 0.2, -0.04, 0.002, 0}, 4, spread},
      {"degree 5", {3, -2, 0.5, 0.1, -0.01, 0.0005}, 5, spread},
      {"degree 5 through six points", {3, -2, 0.5, 0.1, -0.01, 0.0005}, 5, {-2, 0, 1, 4, 6, 9}},
      {"degree 2 with order 5", {2, -1.5, 0.25, 0, 0, 0}, 5, spread},
      {"uneven points", {0.5, 1, -0.25, 0.05, 0, 0}, 3, {0, 0.1, 0.3, 2, 2.5, 7, 7.2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Points p = sample(c.truth, c.x);
    const PolynomialFit fit = FitPolynomial(p.x, p.y, c.order + 1);
    ASSERT_TRUE(fit.ok) << fit.reason;
    for (int k = 0; k < kMaxPolynomialCoefficients; ++k)
      EXPECT_NEAR(fit.coefficients[k], c.truth[k], 1e-9 * std::max(1.0, std::fabs(c.truth[k]))) << "k=" << k;
    for (int k = c.order + 1; k < kMaxPolynomialCoefficients; ++k) EXPECT_EQ(fit.coefficients[k], 0.0);
    EXPECT_LT(fit.largestError, 1e-9);
  }
}

// Scattered points: the coefficients and the error figures match the normal-equation solution.
TEST(FitPolynomial, LeastSquaresMatchesNormalEquations) {
  const std::vector<double> noise = {0.12, -0.3, 0.05, 0.21, -0.17, -0.02, 0.26, -0.11, 0.08, -0.19, 0.14};
  for (int order = 1; order <= 3; ++order) {
    SCOPED_TRACE(order);
    Points p;
    for (std::size_t i = 0; i < noise.size(); ++i) {
      const double x = 0.5 * static_cast<double>(i);
      p.x.push_back(x);
      p.y.push_back(2 + 0.5 * x - 0.03 * x * x + noise[i]);
    }
    const PolynomialFit fit = FitPolynomial(p.x, p.y, order + 1);
    ASSERT_TRUE(fit.ok) << fit.reason;

    const std::vector<long double> reference = normalEquations(p, order + 1);
    PolynomialCoefficients expected{};
    for (int k = 0; k <= order; ++k) expected[k] = static_cast<double>(reference[k]);
    for (int k = 0; k <= order; ++k)
      EXPECT_NEAR(fit.coefficients[k], expected[k], 1e-10 * std::max(1.0, std::fabs(expected[k]))) << k;

    long double squares = 0, absolute = 0, largest = 0;
    std::size_t largestAt = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
      const long double e = referenceValue(expected, p.x[i]) - p.y[i];
      squares += e * e;
      absolute += std::fabs(e);
      if (std::fabs(e) > largest) {
        largest = std::fabs(e);
        largestAt = i;
      }
    }
    EXPECT_GT(fit.sumOfSquares, 0.01);  // the noise is not fitted away
    EXPECT_NEAR(fit.sumOfSquares, static_cast<double>(squares), 1e-10);
    EXPECT_NEAR(fit.sumOfAbsolute, static_cast<double>(absolute), 1e-10);
    EXPECT_NEAR(fit.largestError, static_cast<double>(largest), 1e-10);
    EXPECT_EQ(fit.largestErrorIndex, largestAt);
  }
}

// y = 1 + 2x plus residuals (1, -3, 3, -1), which the line cannot follow; all values are exact
// in binary, so the tie between points 1 and 2 is exact and the first point keeps the index.
TEST(FitPolynomial, ErrorFiguresOfAHandCheckedLine) {
  const PolynomialFit fit = FitPolynomial({0, 1, 2, 3}, {2, 0, 8, 6}, 2);
  ASSERT_TRUE(fit.ok) << fit.reason;
  EXPECT_EQ(fit.coefficients[0], 1.0);
  EXPECT_EQ(fit.coefficients[1], 2.0);
  EXPECT_EQ(fit.sumOfSquares, 20.0);
  EXPECT_EQ(fit.sumOfAbsolute, 8.0);
  EXPECT_EQ(fit.largestError, 3.0);
  EXPECT_EQ(fit.largestErrorIndex, 1u);
  EXPECT_EQ(formatLargestError(fit), "3 @ 1");
}

TEST(FitPolynomial, PointsThatCannotDetermineTheOrderGiveNoCoefficients) {
  const double nan = std::nan("");
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int coefficientCount;
  };
  const std::vector<Case> cases = {
      {"no points", {}, {}, 2},
      {"one point for a line", {5}, {1}, 2},
      {"three points for a cubic", {1, 2, 3}, {1, 4, 9}, 4},
      {"five points for order 5", {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, 6},
      {"repeated abscissae", {1, 1, 2, 2, 2}, {0, 1, 2, 3, 4}, 3},
      {"zero-filled slots", {4285025, 0, 0, 0}, {100000, 0, 0, 0}, 3},
      {"x and y of different lengths", {1, 2, 3}, {1, 2}, 2},
      {"not a number", {1, 2, nan}, {1, 2, 3}, 2},
      {"order 6", {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}, 7},
      {"no coefficients", {1, 2, 3}, {1, 2, 3}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectNoResult(FitPolynomial(c.x, c.y, c.coefficientCount));
  }
}

// Raw pressure AD codes lie far from zero; the centred recurrence keeps the fit accurate there.
TEST(FitPolynomial, FitsLargeAdCodes) {
  const std::vector<double> ad = evenlySpaced(8000000, 9000000, 11);
  for (int order = 1; order <= 5; ++order) {
    SCOPED_TRACE(order);
    Points p;
    for (double x : ad) {
      const double w = (x - 8000000) / 1000000;  // 0 .. 1
      p.x.push_back(x);
      p.y.push_back(200000 * w - 3000 * w * w + 400 * w * w * w - 20 * std::pow(w, 4) + 5 * std::pow(w, 5));
    }
    const PolynomialFit fit = FitPolynomial(p.x, p.y, order + 1);
    ASSERT_TRUE(fit.ok) << fit.reason;
    if (order == 5) {
      EXPECT_LT(fit.largestError, 1e-6);  // the data are this quintic
    }
    if (order == 1) {
      EXPECT_GT(fit.largestError, 100.0);  // a line misses the curvature
    }

    // The plain powers, evaluated as the AD calculator does, reproduce the fitted values.
    for (std::size_t i = 0; i < p.x.size(); ++i)
      EXPECT_LT(std::fabs(EvaluatePolynomial(fit.coefficients, p.x[i]) - p.y[i]), fit.largestError + 1e-6)
          << i;
  }
}

TEST(EvaluatePolynomial, SumsThePowersOfX) {
  EXPECT_EQ(EvaluatePolynomial({1, 0, 0, 0, 0, 0}, 4285025), 1.0);
  EXPECT_EQ(EvaluatePolynomial({1, 2, 3, 0, 0, 0}, 2), 17.0);
  EXPECT_EQ(EvaluatePolynomial({0, 0, 0, 0, 0, 1}, -2), -32.0);
  EXPECT_EQ(EvaluatePolynomial({0.5, -1, 0, 0.25, 0, 0}, 4), 12.5);
}

TEST(EvaluatePolynomial, TheProbePolynomialTakesXInSinglePrecision) {
  const PolynomialCoefficients identity{0, 1, 0, 0, 0, 0};
  // Single precision steps by 0.5 between 2^22 and 2^23.
  EXPECT_EQ(EvaluatePolynomial(identity, 4285025.3), 4285025.3);
  EXPECT_EQ(EvaluateProbePolynomial(identity, 4285025.3), 4285025.5);
  EXPECT_EQ(EvaluateProbePolynomial({2, 0.5, 0, 0, 0, 0}, 100.25), 52.125);
}

}  // namespace
}  // namespace ql
