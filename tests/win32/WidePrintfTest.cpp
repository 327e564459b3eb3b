// The command line's formatted print follows the Windows wide-printf rules
// the module's texts are written for.
#include <gtest/gtest.h>

#include "win32/WidePrintf.h"

using win32::FormatWideV;

TEST(WidePrintf, FollowsTheWindowsRules) {
  const std::pair<std::u16string, std::u16string> table[] = {
      // %s and %ls are wide, %hs and %S narrow; a null string is shown as such.
      {FormatWideV(u"%s|%ls|%hs|%S", u"wide", u"also wide", "narrow", "narrow too"), u"wide|also wide|narrow|narrow too"},
      {FormatWideV(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]"},
      // The recording summary's conversions.
      {FormatWideV(u" Length: %.2g Mb\n Frames: %d\n Time: %s", 12.345678, 150, u"0:0:10 h:m:s"),
       u" Length: 12 Mb\n Frames: 150\n Time: 0:0:10 h:m:s"},
      {FormatWideV(u"%.2g %.2g", 0.0, 1234.5), u"0 1.2e+03"},
      // A percent inside a value is shown literally; %% is one percent.
      {FormatWideV(u"%s%s", u"Screenshot saved:", u"/home/u/100%d %s.png"), u"Screenshot saved:/home/u/100%d %s.png"},
      {FormatWideV(u"100%% done"), u"100% done"},
      {FormatWideV(u"[%5d|%-5d|%05d|%*d|%-*s|%.3s]", 42, 42, 42, 4, 7, 6, u"ab", u"abcdef"),
       u"[   42|42   |00042|   7|ab    |abc]"},
      {FormatWideV(u"%u %x %X %o", 4000000000u, 255, 255, 8), u"4000000000 ff FF 10"},
      {FormatWideV(u"%I64d %lld %ld", 1LL << 40, -(1LL << 40), 2147483647), u"1099511627776 -1099511627776 2147483647"},
      {FormatWideV(u"%c%c %.1f %e", u'\u00e9', u'x', 2.25, 1.5), u"\u00e9x 2.2 1.500000e+00"},
      // Unknown or cut conversions are copied.
      {FormatWideV(u"50%q|%12"), u"50%q|%12"},
      {FormatWideV(u"ends with %"), u"ends with %"},
  };
  for (const auto& [got, expected] : table) EXPECT_EQ(got, expected);
}

TEST(WidePrintf, BoundedPrintRefusesWhatDoesNotFit) {
  WCHAR buffer[16];
  EXPECT_EQ(swprintf_s(buffer, 16, u"%d:%d:%d h:m:s", 1, 2, 5), 11);
  EXPECT_EQ(std::u16string(buffer), u"1:2:5 h:m:s");
  EXPECT_EQ(swprintf_s(buffer, 5, u"%s", u"too long"), -1);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(swprintf_s(buffer, 0, u"x"), -1);
}
