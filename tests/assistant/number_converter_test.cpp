#include "assistant/number_converter.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

struct ConversionCase {
  const char* decimal;
  const char* single;
  const char* dbl;
};

TEST(NumberConverter, DecimalToSingleAndDoubleAndBack) {
  const ConversionCase cases[] = {
      {"1", "3F800000", "3FF0000000000000"},
      {"-2.5", "C0200000", "C004000000000000"},
      {"0", "00000000", "0000000000000000"},
      {"10", "41200000", "4024000000000000"},
      {"1E20", "60AD78EC", "4415AF1D78B58C40"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decimalToSingleHex(c.decimal), c.single) << c.decimal;
    EXPECT_EQ(decimalToDoubleHex(c.decimal), c.dbl) << c.decimal;
    EXPECT_EQ(doubleHexToDecimal(c.dbl), c.decimal) << c.dbl;
  }
  EXPECT_EQ(singleHexToDecimal("3F800000"), "1");
  EXPECT_EQ(singleHexToDecimal("c0200000"), "-2.5");
  EXPECT_EQ(doubleHexToDecimal("3FB999999999999A"), "0.1");
  // A single shows at 15 significant digits of its exact value.
  EXPECT_EQ(singleHexToDecimal("3DCCCCCD"), "0.100000001490116");
}

TEST(NumberConverter, ConversionsThatCannotBeMadeLeaveTheTargetAlone) {
  for (const char* bad : {"", "-", "1.2.3", "abc", "1e", "E5"}) {
    EXPECT_FALSE(decimalToSingleHex(bad)) << bad;
    EXPECT_FALSE(decimalToDoubleHex(bad)) << bad;
  }
  EXPECT_FALSE(singleHexToDecimal("3F8000"));     // 6 digits
  EXPECT_FALSE(singleHexToDecimal("3F8000000"));  // 9 digits
  EXPECT_FALSE(doubleHexToDecimal("3FF00000"));   // 8 digits for a double
  EXPECT_FALSE(singleHexToDecimal("3F80000G"));
}

TEST(NumberConverter, DecimalFieldKeepsNumberCharactersAndOnePoint) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.2.3", "1.23"}, {".5", "0.5"}, {"a-1b", "-1"}, {"+1e5", "1e5"}, {"3,14", "314"}, {"", ""},
  };
  for (const auto& [typed, kept] : cases) EXPECT_EQ(filterDecimalField(typed), kept) << typed;
}

}  // namespace
}  // namespace ql
