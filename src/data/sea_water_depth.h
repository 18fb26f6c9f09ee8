#pragma once
// Depth in sea water by the UNESCO 1983 formulas (Fofonoff and Millard, UNESCO technical paper in
// marine science 44): gravity from latitude and pressure, and the depth polynomial of the
// standard ocean. Pressure here is the sea pressure in decibar (1 dbar = 10 kPa), that is the
// pressure above the atmosphere's.

namespace ql {

// g = 9.780318 (1 + (5.2788e-3 + 2.36e-5 x) x) + 1.092e-6 p, x = sin²(latitude); m/s².
double unescoGravity(double latitudeDegrees, double pressureDbar);

// ((((-1.82e-15 p + 2.279e-10) p - 2.2512e-5) p + 9.72659) p) / g, in metres:
// 10000 dbar at 30 degrees gives 9712.653 m.
double unescoDepthMetres(double pressureDbar, double latitudeDegrees);

}  // namespace ql
