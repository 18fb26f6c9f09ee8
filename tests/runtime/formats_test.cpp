#include "runtime/formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ql {
namespace {

TEST(Formats, FixedDecimalsRoundHalfAwayFromZero) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {1.23456, 3, "1.235"},
      {3.6, 3, "3.600"},
      {0, 3, "0.000"},
      {-0.0004, 3, "0.000"},
      {-0.0, 2, "0.00"},
      {0.0005, 3, "0.001"},
      {-0.0005, 3, "-0.001"},
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {0.125, 2, "0.13"},
      {1.005, 2, "1.01"},
      {2.675, 2, "2.68"},
      {-1.2345, 3, "-1.235"},
      {9.9995, 3, "10.000"},
      {0.96, 1, "1.0"},
      {87.5, 1, "87.5"},
      {123456.789, 1, "123456.8"},
      {0.0000123, 3, "0.000"},
      {12, 2, "12.00"},
      {1e15, 1, "1000000000000000.0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.value << " / " << c.decimals;
}

TEST(Formats, ScientificHasEightDigitsAndASignedTwoDigitExponent) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, "1.2345000E+03"},    {0, "0.0000000E+00"},
      {-0.0, "0.0000000E+00"},      {-0.00012, "-1.2000000E-04"},
      {1, "1.0000000E+00"},         {9.99999996, "1.0000000E+01"},
      {123456785, "1.2345679E+08"}, {1.23456789e-7, "1.2345679E-07"},
      {1e100, "1.0000000E+100"},    {-3.0e-300, "-3.0000000E-300"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatScientific(c.value), c.text) << c.value;
}

TEST(Formats, ShortestTextUsesFifteenSignificantDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {10, "10"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.025, "1.025"},
      {9.8, "9.8"},
      {-100, "-100"},
      {0, "0"},
      {-0.0, "0"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {static_cast<double>(3.14f), "3.14000010490417"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {-1.5e20, "-1.5E20"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1.5E-7"},
      {1.23456789012345678e-10, "1.23456789012346E-10"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatShortest(c.value), c.text) << c.value;
}

TEST(Formats, NonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(formatFixed(std::nan(""), 2), "NAN");
  EXPECT_EQ(formatScientific(-inf), "-INF");
  EXPECT_EQ(formatShortest(inf), "INF");
}

TEST(Formats, DateTimeTexts) {
  const DateTime dt{2024, 3, 5, 14, 7, 9};
  EXPECT_EQ(formatDateTime(dt), "2024-03-05 14:07:09");
  EXPECT_EQ(formatCompactStamp(dt), "20240305140709");
  const auto t = toTimeT(dt);
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(localDateTime(*t), dt);
  EXPECT_EQ(localDateTime(*t + 86400 * 365), (DateTime{2025, 3, 5, 14, 7, 9}));
  EXPECT_FALSE(toTimeT(DateTime{2023, 2, 29, 0, 0, 0}).has_value());
}

TEST(Formats, ParseDateTime) {
  struct Case {
    const char* text;
    std::optional<DateTime> expected;
  };
  const Case cases[] = {
      {"2024-03-05 14:07:09", DateTime{2024, 3, 5, 14, 7, 9}},
      {"2024/3/5 4:07:09", DateTime{2024, 3, 5, 4, 7, 9}},
      {" 2024-02-29 23:59:59 ", DateTime{2024, 2, 29, 23, 59, 59}},
      {"2023-02-29 00:00:00", std::nullopt},
      {"2000-02-29 00:00:00", DateTime{2000, 2, 29, 0, 0, 0}},
      {"1900-02-29 00:00:00", std::nullopt},
      {"2024-13-01 00:00:00", std::nullopt},
      {"2024-03-05 24:00:00", std::nullopt},
      {"2024-03-05 12:60:00", std::nullopt},
      {"2024-03/05 12:00:00", std::nullopt},
      {"2024-03-05", std::nullopt},
      {"2024-03-0512:00:00", std::nullopt},
      {"2024-03-05 12:00:00x", std::nullopt},
      {"24-03-05 12:00:00", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseDateTime(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace ql
