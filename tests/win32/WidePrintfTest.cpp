// The command line's formatted print follows the Windows wide-printf rules
// the module's texts are written for.
#include <gtest/gtest.h>

#include "win32/WidePrintf.h"

using win32::FormatWideV;

TEST(WidePrintf, PercentSIsAWideString) {
  EXPECT_EQ(FormatWideV(u"Video stream: %s", u"C:/out/Untitled.avi"), u"Video stream: C:/out/Untitled.avi");
  EXPECT_EQ(FormatWideV(u"%s|%ls|%hs|%S", u"wide", u"also wide", "narrow", "narrow too"),
            u"wide|also wide|narrow|narrow too");
  EXPECT_EQ(FormatWideV(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]");
}

TEST(WidePrintf, TheRecordingSummaryFormatsAsSixLines) {
  const char16_t* summary =
      u"Video recording completed successfuly.\n Video stream: %s\n Length: %.2g Mb\n Frames: %d\n Time: %s\n "
      u"Real FPS: %d";
  EXPECT_EQ(FormatWideV(summary, u"/tmp/a.avi", 12.345678, 150, u"0:0:10 h:m:s", 15),
            u"Video recording completed successfuly.\n Video stream: /tmp/a.avi\n Length: 12 Mb\n Frames: 150\n "
            u"Time: 0:0:10 h:m:s\n Real FPS: 15");
  EXPECT_EQ(FormatWideV(u"%.2g", 0.0), u"0");
  EXPECT_EQ(FormatWideV(u"%.2g", 1234.5), u"1.2e+03");
  EXPECT_EQ(FormatWideV(u"%d:%d:%d h:m:s", 0, 2, 5), u"0:2:5 h:m:s");
}

TEST(WidePrintf, APercentInsideAValueIsShownLiterally) {
  EXPECT_EQ(FormatWideV(u"%s%s", u"Screenshot saved:", u"/home/u/100%d %s.png"),
            u"Screenshot saved:/home/u/100%d %s.png");
  EXPECT_EQ(FormatWideV(u"100%% done"), u"100% done");
}

TEST(WidePrintf, FlagsWidthPrecisionAndSizes) {
  EXPECT_EQ(FormatWideV(u"[%5d|%-5d|%05d]", 42, 42, 42), u"[   42|42   |00042]");
  EXPECT_EQ(FormatWideV(u"[%*d|%-*s]", 4, 7, 6, u"ab"), u"[   7|ab    ]");
  EXPECT_EQ(FormatWideV(u"[%.3s]", u"abcdef"), u"[abc]");
  EXPECT_EQ(FormatWideV(u"%u %x %X %o", 4000000000u, 255, 255, 8), u"4000000000 ff FF 10");
  EXPECT_EQ(FormatWideV(u"%I64d %lld", 1LL << 40, -(1LL << 40)), u"1099511627776 -1099511627776");
  EXPECT_EQ(FormatWideV(u"%ld", 2147483647), u"2147483647");  // Windows long is 32 bits
  EXPECT_EQ(FormatWideV(u"%c%c", u'\u00e9', u'x'), u"\u00e9x");
  EXPECT_EQ(FormatWideV(u"%.1f %e", 2.25, 1.5), u"2.2 1.500000e+00");
}

TEST(WidePrintf, UnknownOrCutConversionsAreCopied) {
  EXPECT_EQ(FormatWideV(u"50%q"), u"50%q");
  EXPECT_EQ(FormatWideV(u"ends with %"), u"ends with %");
  EXPECT_EQ(FormatWideV(u"width then end %12"), u"width then end %12");
}

TEST(WidePrintf, BoundedPrintRefusesWhatDoesNotFit) {
  WCHAR buffer[16];
  EXPECT_EQ(swprintf_s(buffer, 16, u"%d:%d:%d h:m:s", 1, 2, 5), 11);
  EXPECT_EQ(std::u16string(buffer), u"1:2:5 h:m:s");
  EXPECT_EQ(swprintf_s(buffer, 5, u"%s", u"too long"), -1);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(swprintf_s(buffer, 0, u"x"), -1);
}
