// The dialogs read numbers from their fields as _wtoi and _wtof do.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "dialogs/WideNumbers.h"

namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(WideNumbers, ReadAndWrittenAsTheCRuntimeDoesWhateverTheProcessLocale) {
  const std::pair<const char16_t*, int> whole[] = {{u"15", 15}, {u"  42abc", 42}, {u"\t-7", -7}, {u"+8", 8}, {u"", 0},
                                                   {u"abc", 0}, {u"3.9", 3}, {u"99999999999999999999", INT_MAX},
                                                   {u"-99999999999999999999", INT_MIN}};
  for (const auto& [text, value] : whole) EXPECT_EQ(WideToInt(text), value) << Narrow(text);
  const std::pair<const char16_t*, double> decimal[] = {{u"2.25", 2.25}, {u" 1.5e1x", 15.0}, {u"-0.5", -0.5},
                                                        {u"abc", 0.0},   {u"", 0.0},        {u"3,5", 3.0},
                                                        {u"--1", 0.0},   {u"1e-999", 0.0},  {u"1e999", INFINITY}};
  for (const auto& [text, value] : decimal) EXPECT_DOUBLE_EQ(WideToDouble(text), value) << Narrow(text);
  EXPECT_EQ(FormatInt(-12), u"-12");
  // %.1f: round half to even, as printf.
  for (const auto& [value, text] : {std::pair{1.5, u"1.5"}, {2.25, u"2.2"}, {0.0, u"0.0"}}) EXPECT_EQ(FormatFixed1(value), text);
}

}  // namespace
