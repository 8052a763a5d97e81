// Reading and writing engineering notation in calculator fields.
#include "calculators/prefixed_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kwt {
namespace {

TEST(PrefixedNumberRead, TextsThatRead) {
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {"2.5m", 0.0025}, {"2,5 m", 0.0025}, {" 12 ", 12.0}, {"1\t5", 15.0}, {"007", 7.0},
      // A later decimal mark continues the fraction; "," is no thousands
      // separator.
      {"1.2.3", 1.23}, {"1,000", 1.0},
      // The minus sign counts wherever it stands.
      {"-0.5 k", -500.0}, {"5-k", -5000.0},
      // What follows a prefix is ignored: a unit, or digits of an exponent.
      {"10uM", 1e-5}, {"1E3", 1e18}, {"2mxyz!", 0.002}, {"4d5", 0.4},
      // 0xBA stood for micro in fields and stored settings of earlier releases.
      {"  1.00 \xBA", 1e-6}, {"250.00 \xBA", 250e-6},
      {std::string(300, '0') + "1", 1.0},
      // The letters the write test does not show, and two that differ
      // only in case.
      {"1y", 1e-24}, {"1Y", 1e24}, {"1\xB5", 1e-6}, {"1c", 1e-2}, {"1%", 1e-2}, {"1h", 100.0},
      {"1da", 10.0}, {"1M", 1e6},
  };
  for (const auto& c : cases) {
    double v = -12345.0;
    EXPECT_TRUE(ParsePrefixedNumber(c.text, &v)) << "\"" << c.text << "\"";
    EXPECT_DOUBLE_EQ(v, c.value) << "\"" << c.text << "\"";
  }
}

TEST(PrefixedNumberRead, TextsThatFailReadAsNaN) {
  // Letters alone would otherwise read as 0 times a prefix; "e" is no
  // prefix and a unit is none either; too many digits overflow.
  for (const std::string& text : std::initializer_list<std::string>{
           "", "1x", "1e3", "1 V", "0x10", "abc", "k", "-", "   ", ".", "\xB5", std::string(400, '9')}) {
    double v = 0.0;
    EXPECT_FALSE(ParsePrefixedNumber(text, &v)) << "\"" << text << "\"";
    EXPECT_TRUE(std::isnan(v)) << "\"" << text << "\"";
  }
}

TEST(PrefixedNumberWrite, LayoutAndRangeEnds) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0025, "  2.50 m"}, {-0.0025, "-  2.50 m"}, {500.0, "500.00  "}, {1.0, "  1.00  "},
      {8100.2, "  8.10 k"}, {1e-6, "  1.00 \xB5"}, {1.111e-7, "111.10 n"},
      // Both ends of a prefix's range.
      {0.999, "999.00 m"}, {1e-21, "  1.00 z"}, {999e18, "999.00 E"}, {1e21, "  1.00 Z"},
      // Zero and everything below 1e-21 take y; 1e24 and above take Y.
      {0.0, "  0.00 y"}, {5e-22, "500.00 y"}, {1e-30, "  0.00 y"}, {1e24, "  1.00 Y"},
      {2.5e27, "2500.00 Y"},
      // Values that are no numbers get no prefix.
      {INFINITY, "   inf  "}, {-INFINITY, "-   inf  "}, {NAN, "   nan  "},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPrefixedNumber(c.value), c.text) << c.value;
}

TEST(PlainNumber, ReadAndWrite) {
  double v = -1.0;
  EXPECT_TRUE(ParsePlainNumber("  -1e-3", &v));
  EXPECT_DOUBLE_EQ(v, -1e-3);
  EXPECT_TRUE(ParsePlainNumber("150 mM", &v));
  EXPECT_DOUBLE_EQ(v, 150.0);
  for (const char* bad : {"", "   ", "abc", "inf", "nan", "1e999", "-"}) {
    EXPECT_FALSE(ParsePlainNumber(bad, &v)) << bad;
    EXPECT_EQ(v, 0.0) << bad;
  }
  EXPECT_EQ(FormatPlainNumber(20.0), "20");
  EXPECT_EQ(FormatPlainNumber(7.2), "7.2");
  EXPECT_EQ(FormatPlainNumber(1e9), "1e+09");
}

}  // namespace
}  // namespace kwt
