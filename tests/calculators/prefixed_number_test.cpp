// Reading and writing engineering notation in calculator fields.
#include "calculators/prefixed_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kwt {
namespace {

double Read(const std::string& text) {
  double v = -12345.0;
  EXPECT_TRUE(ParsePrefixedNumber(text, &v)) << "\"" << text << "\"";
  return v;
}

void ExpectUnreadable(const std::string& text) {
  double v = 0.0;
  EXPECT_FALSE(ParsePrefixedNumber(text, &v)) << "\"" << text << "\"";
  EXPECT_TRUE(std::isnan(v)) << "\"" << text << "\"";
}

TEST(PrefixedNumberRead, DigitsMarksSignsAndBlanks) {
  EXPECT_DOUBLE_EQ(Read("2.5m"), 0.0025);
  EXPECT_DOUBLE_EQ(Read("2,5 m"), 0.0025);
  EXPECT_DOUBLE_EQ(Read(" 12 "), 12.0);
  EXPECT_DOUBLE_EQ(Read("1\t5"), 15.0);
  // A later decimal mark continues the fraction.
  EXPECT_DOUBLE_EQ(Read("1.2.3"), 1.23);
  // "," is a decimal mark, not a thousands separator.
  EXPECT_DOUBLE_EQ(Read("1,000"), 1.0);
  // The minus sign counts wherever it stands.
  EXPECT_DOUBLE_EQ(Read("-0.5 k"), -500.0);
  EXPECT_DOUBLE_EQ(Read("5-k"), -5000.0);
  EXPECT_DOUBLE_EQ(Read("007"), 7.0);
}

TEST(PrefixedNumberRead, EveryPrefixLetter) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"1y", 1e-24}, {"1z", 1e-21}, {"1a", 1e-18}, {"1f", 1e-15}, {"1p", 1e-12},
      {"1n", 1e-9},  {"1u", 1e-6},  {"1\xB5", 1e-6}, {"1m", 1e-3},  {"1c", 1e-2},
      {"1%", 1e-2},  {"1d", 0.1},   {"1da", 10.0}, {"1h", 100.0}, {"1k", 1e3},
      {"1M", 1e6},   {"1G", 1e9},   {"1T", 1e12},  {"1P", 1e15},  {"1E", 1e18},
      {"1Z", 1e21},  {"1Y", 1e24},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Read(c.text), c.value) << c.text;
  EXPECT_DOUBLE_EQ(Read("3d"), 0.3);
}

TEST(PrefixedNumberRead, PrefixEndsTheNumber) {
  // What follows a prefix is ignored: a unit, or digits of an exponent.
  EXPECT_DOUBLE_EQ(Read("10uM"), 1e-5);
  EXPECT_DOUBLE_EQ(Read("1E3"), 1e18);
  EXPECT_DOUBLE_EQ(Read("2mxyz!"), 0.002);
  EXPECT_DOUBLE_EQ(Read("4d5"), 0.4);
}

TEST(PrefixedNumberRead, MicroAsWrittenByEarlierReleases) {
  // 0xBA stood for micro in fields and stored settings; it reads as micro.
  EXPECT_DOUBLE_EQ(Read("  1.00 \xBA"), 1e-6);
  EXPECT_DOUBLE_EQ(Read("250.00 \xBA"), 250e-6);
}

TEST(PrefixedNumberRead, Failures) {
  ExpectUnreadable("");
  ExpectUnreadable("1x");
  ExpectUnreadable("1e3");   // "e" is not a prefix
  ExpectUnreadable("1 V");   // a unit is no prefix
  ExpectUnreadable("0x10");
}

TEST(PrefixedNumberRead, TextWithoutDigitFails) {
  // Letters alone would otherwise read as 0 times a prefix.
  ExpectUnreadable("abc");
  ExpectUnreadable("k");
  ExpectUnreadable("-");
  ExpectUnreadable("   ");
  ExpectUnreadable(".");
  ExpectUnreadable("\xB5");
}

TEST(PrefixedNumberRead, TooManyDigitsFail) {
  ExpectUnreadable(std::string(400, '9'));
  EXPECT_DOUBLE_EQ(Read(std::string(300, '0') + "1"), 1.0);
}

TEST(PrefixedNumberWrite, Layout) {
  EXPECT_EQ(FormatPrefixedNumber(0.0025), "  2.50 m");
  EXPECT_EQ(FormatPrefixedNumber(-0.0025), "-  2.50 m");
  EXPECT_EQ(FormatPrefixedNumber(500.0), "500.00  ");
  EXPECT_EQ(FormatPrefixedNumber(1.0), "  1.00  ");
  EXPECT_EQ(FormatPrefixedNumber(8100.2), "  8.10 k");
  // Micro is written with the micro sign.
  EXPECT_EQ(FormatPrefixedNumber(1e-6), "  1.00 \xB5");
  EXPECT_EQ(FormatPrefixedNumber(1.111e-7), "111.10 n");
}

TEST(PrefixedNumberWrite, RangeEnds) {
  // Zero and everything below 1e-21 take y; 1e24 and above take Y.
  EXPECT_EQ(FormatPrefixedNumber(0.0), "  0.00 y");
  EXPECT_EQ(FormatPrefixedNumber(5e-22), "500.00 y");
  EXPECT_EQ(FormatPrefixedNumber(1e-30), "  0.00 y");
  EXPECT_EQ(FormatPrefixedNumber(1e24), "  1.00 Y");
  EXPECT_EQ(FormatPrefixedNumber(2.5e27), "2500.00 Y");
  // Values that are no numbers get no prefix.
  EXPECT_EQ(FormatPrefixedNumber(INFINITY), "   inf  ");
  EXPECT_EQ(FormatPrefixedNumber(-INFINITY), "-   inf  ");
  EXPECT_EQ(FormatPrefixedNumber(NAN), "   nan  ");
}

TEST(PrefixedNumberWrite, EachDecadeBoundaryTakesItsPrefix) {
  const char letters[] = {'z', 'a', 'f', 'p', 'n', '\xB5', 'm', ' ', 'k', 'M', 'G', 'T', 'P', 'E', 'Z'};
  for (int i = 0; i < 15; ++i) {
    const double lower = std::pow(10.0, 3 * (i - 7));
    EXPECT_EQ(FormatPrefixedNumber(lower), std::string("  1.00 ") + letters[i]) << lower;
    EXPECT_EQ(FormatPrefixedNumber(lower * 999.0), std::string("999.00 ") + letters[i]) << lower;
  }
}

TEST(PrefixedNumber, WrittenValuesReadBack) {
  // Every written value reads back to itself within the two decimals shown.
  for (double v : {3.3e-23, 1e-21, 4.56e-19, 7e-16, 1e-12, 2.2e-10, 1e-6, 1.5e-6, 9.99e-4, 0.0025,
                   1.0, 42.0, 999.0, 1234.0, 5.6e7, 8e10, 3e13, 1e16, 2e19, 7.7e22, 4e24}) {
    for (double s : {1.0, -1.0}) {
      double back = 0.0;
      ASSERT_TRUE(ParsePrefixedNumber(FormatPrefixedNumber(s * v), &back)) << s * v;
      EXPECT_NEAR(back, s * v, std::fabs(v) * 0.005) << s * v;
    }
  }
}

TEST(PlainNumber, ReadAndWrite) {
  double v = -1.0;
  EXPECT_TRUE(ParsePlainNumber("7.2", &v));
  EXPECT_DOUBLE_EQ(v, 7.2);
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
