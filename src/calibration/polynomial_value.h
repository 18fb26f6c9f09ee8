#pragma once
// Values and texts of a fitted calibration polynomial: the AD calculator and the coefficient panel.

#include <string>

#include "calibration/polynomial_fit.h"

namespace ql {

// y = a + b·x + c·x^2 + d·x^3 + e·x^4 + f·x^5, summed term by term in that order.
double EvaluatePolynomial(const PolynomialCoefficients& coefficients, double x);
// The probe-temperature polynomial: as above, with x first rounded to single precision.
double EvaluateProbePolynomial(const PolynomialCoefficients& coefficients, double x);

// A coefficient as shown and written: "0.0000000E+00".
std::string formatCoefficient(double value);
// The largest error as shown beside the sums: shortest text, " @ ", the 0-based point index.
std::string formatLargestError(const PolynomialFit& fit);

}  // namespace ql
