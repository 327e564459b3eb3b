// Codec enumeration on scripted compressors (the installed ones are used end to
// end), and a shown description mapped back to its compressor.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

#include "DialogTestSupport.h"
#include "dialogs/CodecList.h"
#include "dialogs/WideNumbers.h"

using dialogs_test::Codec;
using dialogs_test::Fourcc;
using dialogs_test::ScriptedCodec;
using dialogs_test::ScriptedCompressors;

namespace {

ScriptedCodec With(ScriptedCodec codec, bool answersKeyFrameRate, bool answersQuality, bool opens, bool describes) {
  codec.answersKeyFrameRate = answersKeyFrameRate;
  codec.answersQuality = answersQuality;
  codec.opens = opens;
  codec.describes = describes;
  return codec;
}

TEST(CodecEnumeration, OneEntryPerDescriptionWithTheAnswersOrWhatTheCellHeld) {
  using Entry = std::tuple<DWORD, DWORD, DWORD>;  // compressor, key-frame rate, quality
  const ScriptedCodec mute = With(Codec("MMMM", u"Mute", 0, 0), false, false, true, true);
  const struct {
    std::vector<ScriptedCodec> codecs;
    DWORD cell;
    std::vector<Entry> entries;
    int opened;
    DWORD cellAfter;
  } table[] = {
      // Equal descriptions list only the first; every open is closed again.
      {{Codec("AAAA", u"Same", 15, 100), Codec("BBBB", u"Other", 12, 200), Codec("CCCC", u"Same", 30, 300)},
       0,
       {{Fourcc("AAAA"), 15, 100}, {Fourcc("BBBB"), 12, 200}},
       3,
       200},
      // A silent compressor takes the cell's last value for both; one that answers
      // only the key-frame query gets that answer as its quality too.
      {{Codec("AAAA", u"First", 15, 7500), mute, With(Codec("HHHH", u"Half", 10, 0), true, false, true, true)},
       0,
       {{Fourcc("AAAA"), 15, 7500}, {Fourcc("MMMM"), 7500, 7500}, {Fourcc("HHHH"), 10, 10}},
       3,
       10},
      {{mute}, 10, {{Fourcc("MMMM"), 10, 10}}, 1, 10},  // the cell is kept from one enumeration to the next
      // Compressors that do not open or describe themselves are skipped.
      {{With(Codec("XXXX", u"Closed", 15, 1), true, true, false, true),
        With(Codec("YYYY", u"Silent", 15, 1), true, true, true, false), Codec("ZZZZ", u"Good", 5, 2)},
       0,
       {{Fourcc("ZZZZ"), 5, 2}},
       2,
       2},
  };
  for (const auto& row : table) {
    ScriptedCompressors script(row.codecs);
    CodecList list;
    DWORD cell = row.cell;
    EnumerateCodecs(list, cell);
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
      const CodecEntry& e = list.entries[i];
      entries.emplace_back(e.info.fccHandler, e.defaultKeyFrameRate, e.defaultQuality);
      EXPECT_EQ(list.indexByDescription.at(CodecDescription(e.info)), i);
    }
    EXPECT_EQ(entries, row.entries);
    EXPECT_EQ(list.indexByDescription.size(), entries.size());
    EXPECT_EQ(std::make_tuple(script.opened(), script.closed(), script.onlyQueryMode(), cell),
              std::make_tuple(row.opened, row.opened, true, row.cellAfter));
  }
}

TEST(CodecLookup, UnknownTextFallsBackToTheFirstDescriptionInCodeUnitOrder) {
  // Code-unit order puts capitals first, unlike the combo box's own order.
  ScriptedCompressors script(
      {Codec("BBBB", u"beta", 15, 1), Codec("CCCC", u"Gamma", 12, 2), Codec("AAAA", u"alpha", 30, 3)});
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell);
  EXPECT_EQ(FindCodecByDescription(list, u"alpha").info.fccHandler, Fourcc("AAAA"));
  EXPECT_EQ(FindCodecByDescription(list, u"nothing like it").info.fccHandler, Fourcc("CCCC"));
  EXPECT_EQ(FindCodecByDescription(list, u"").info.fccHandler, Fourcc("CCCC"));
  EXPECT_EQ(FindCodecByDescription(list, u"BETA").info.fccHandler, Fourcc("CCCC"));
  const CodecEntry none = FindCodecByDescription(CodecList(), u"anything");  // an empty list: a cleared entry
  EXPECT_EQ(std::make_tuple(none.info.fccHandler, none.defaultQuality, none.defaultKeyFrameRate),
            std::make_tuple(0u, 0u, 0u));
}

// The dialogs read numbers from their fields as _wtoi and _wtof do.
std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(WideNumbers, ReadAndWrittenAsTheCRuntimeDoesWhateverTheProcessLocale) {
  const std::pair<const char16_t*, int> whole[] = {{u"15", 15},
                                                   {u"  42abc", 42},
                                                   {u"\t-7", -7},
                                                   {u"+8", 8},
                                                   {u"", 0},
                                                   {u"abc", 0},
                                                   {u"3.9", 3},
                                                   {u"99999999999999999999", INT_MAX},
                                                   {u"-99999999999999999999", INT_MIN}};
  for (const auto& [text, value] : whole) EXPECT_EQ(WideToInt(text), value) << Narrow(text);
  const std::pair<const char16_t*, double> decimal[] = {{u"2.25", 2.25}, {u" 1.5e1x", 15.0}, {u"-0.5", -0.5},
                                                        {u"abc", 0.0},   {u"", 0.0},         {u"3,5", 3.0},
                                                        {u"--1", 0.0},   {u"1e-999", 0.0},   {u"1e999", INFINITY}};
  for (const auto& [text, value] : decimal) EXPECT_DOUBLE_EQ(WideToDouble(text), value) << Narrow(text);
  EXPECT_EQ(FormatInt(-12), u"-12");
  // %.1f: round half to even, as printf.
  for (const auto& [value, text] : {std::pair{1.5, u"1.5"}, {2.25, u"2.2"}, {0.0, u"0.0"}})
    EXPECT_EQ(FormatFixed1(value), text);
}

}  // namespace
