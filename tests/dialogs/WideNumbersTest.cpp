// The dialogs read numbers from their fields as _wtoi and _wtof do.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "dialogs/WideNumbers.h"

namespace {

TEST(WideNumbers, WholeNumbersStopAtTheFirstNonDigitAndClampWhenTooLarge) {
  EXPECT_EQ(WideToInt(u"15"), 15);
  EXPECT_EQ(WideToInt(u"  42abc"), 42);
  EXPECT_EQ(WideToInt(u"\t-7"), -7);
  EXPECT_EQ(WideToInt(u"+8"), 8);
  EXPECT_EQ(WideToInt(u""), 0);
  EXPECT_EQ(WideToInt(u"abc"), 0);
  EXPECT_EQ(WideToInt(u"3.9"), 3);
  EXPECT_EQ(WideToInt(u"99999999999999999999"), INT_MAX);
  EXPECT_EQ(WideToInt(u"-99999999999999999999"), INT_MIN);
}

TEST(WideNumbers, DecimalNumbersUseAFullStopWhateverTheProcessLocale) {
  EXPECT_DOUBLE_EQ(WideToDouble(u"2.25"), 2.25);
  EXPECT_DOUBLE_EQ(WideToDouble(u" 1.5e1x"), 15.0);
  EXPECT_DOUBLE_EQ(WideToDouble(u"-0.5"), -0.5);
  EXPECT_DOUBLE_EQ(WideToDouble(u"abc"), 0.0);
  EXPECT_DOUBLE_EQ(WideToDouble(u""), 0.0);
  EXPECT_DOUBLE_EQ(WideToDouble(u"3,5"), 3.0);
  EXPECT_DOUBLE_EQ(WideToDouble(u"--1"), 0.0);
  EXPECT_TRUE(std::isinf(WideToDouble(u"1e999")));
  EXPECT_DOUBLE_EQ(WideToDouble(u"1e-999"), 0.0);
}

TEST(WideNumbers, FormattingAsPercentDAndPercentPoint1F) {
  EXPECT_EQ(FormatInt(3), u"3");
  EXPECT_EQ(FormatInt(-12), u"-12");
  EXPECT_EQ(FormatFixed1(1.5), u"1.5");
  EXPECT_EQ(FormatFixed1(2.25), u"2.2");  // round half to even, as printf
  EXPECT_EQ(FormatFixed1(0.0), u"0.0");
}

}  // namespace
