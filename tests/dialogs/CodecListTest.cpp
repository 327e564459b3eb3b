// Codec enumeration on scripted and on the installed compressors, and the
// mapping of a shown description back to a compressor.
#include <gtest/gtest.h>

#include <set>

#include "DialogTestSupport.h"
#include "dialogs/CodecList.h"

using dialogs_test::Codec;
using dialogs_test::Fourcc;
using dialogs_test::ScriptedCodec;
using dialogs_test::ScriptedCompressors;

namespace {

TEST(CodecEnumeration, EqualDescriptionsListOnlyTheFirstAndEveryOpenIsClosedInQueryMode) {
  ScriptedCompressors script({Codec("AAAA", u"Same", 15, 100), Codec("BBBB", u"Other", 12, 200),
                              Codec("CCCC", u"Same", 30, 300)});
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0].info.fccHandler, Fourcc("AAAA"));
  EXPECT_EQ(list.entries[0].defaultKeyFrameRate, 15u);
  EXPECT_EQ(list.entries[0].defaultQuality, 100u);
  EXPECT_EQ(list.entries[1].info.fccHandler, Fourcc("BBBB"));
  EXPECT_EQ(list.indexByDescription.at(u"Same"), 0u);
  EXPECT_EQ(list.indexByDescription.at(u"Other"), 1u);
  EXPECT_EQ(FindCodecByDescription(list, u"Same").info.fccHandler, Fourcc("AAAA"));
  EXPECT_EQ(script.opened(), 3);
  EXPECT_EQ(script.closed(), 3);
  EXPECT_TRUE(script.onlyQueryMode());
}

TEST(CodecEnumeration, ACompressorThatDoesNotAnswerTakesWhatTheCellHeld) {
  ScriptedCodec mute = Codec("MMMM", u"Mute", 0, 0);
  mute.answersKeyFrameRate = false;
  mute.answersQuality = false;
  ScriptedCodec half = Codec("HHHH", u"Half", 10, 0);
  half.answersQuality = false;
  ScriptedCompressors script({Codec("AAAA", u"First", 15, 7500), mute, half});
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell);
  ASSERT_EQ(list.entries.size(), 3u);
  // The last answer before the mute compressor was the first one's quality.
  EXPECT_EQ(list.entries[1].defaultKeyFrameRate, 7500u);
  EXPECT_EQ(list.entries[1].defaultQuality, 7500u);
  // A compressor that answers only the key-frame query gets that answer as
  // its quality too.
  EXPECT_EQ(list.entries[2].defaultKeyFrameRate, 10u);
  EXPECT_EQ(list.entries[2].defaultQuality, 10u);
  // The cell keeps the last value for the next enumeration.
  EXPECT_EQ(cell, 10u);
  CodecList again;
  ScriptedCompressors muteOnly({mute});
  EnumerateCodecs(again, cell);
  ASSERT_EQ(again.entries.size(), 1u);
  EXPECT_EQ(again.entries[0].defaultKeyFrameRate, 10u);
}

TEST(CodecEnumeration, CompressorsThatDoNotOpenOrDescribeThemselvesAreSkipped) {
  ScriptedCodec closed = Codec("XXXX", u"Closed", 15, 1);
  closed.opens = false;
  ScriptedCodec silent = Codec("YYYY", u"Silent", 15, 1);
  silent.describes = false;
  ScriptedCompressors script({closed, silent, Codec("ZZZZ", u"Good", 5, 2)});
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell);
  ASSERT_EQ(list.entries.size(), 1u);
  EXPECT_EQ(list.entries[0].info.fccHandler, Fourcc("ZZZZ"));
  EXPECT_EQ(list.indexByDescription.at(u"Good"), 0u);
  // The one that opened but did not describe itself was closed again.
  EXPECT_EQ(script.opened(), 2);
  EXPECT_EQ(script.closed(), 2);
}

TEST(CodecLookup, UnknownTextFallsBackToTheFirstDescriptionInCodeUnitOrder) {
  // Code-unit order puts capitals first, unlike the combo box's own order.
  ScriptedCompressors script({Codec("BBBB", u"beta", 15, 1), Codec("CCCC", u"Gamma", 12, 2),
                              Codec("AAAA", u"alpha", 30, 3)});
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell);
  EXPECT_EQ(FindCodecByDescription(list, u"alpha").info.fccHandler, Fourcc("AAAA"));
  EXPECT_EQ(FindCodecByDescription(list, u"nothing like it").info.fccHandler, Fourcc("CCCC"));
  EXPECT_EQ(FindCodecByDescription(list, u"").info.fccHandler, Fourcc("CCCC"));
  EXPECT_EQ(FindCodecByDescription(list, u"BETA").info.fccHandler, Fourcc("CCCC"));
}

TEST(CodecLookup, AnEmptyListGivesAClearedEntry) {
  const CodecList empty;
  const CodecEntry entry = FindCodecByDescription(empty, u"anything");
  EXPECT_EQ(entry.info.fccHandler, 0u);
  EXPECT_EQ(entry.defaultQuality, 0u);
  EXPECT_EQ(entry.defaultKeyFrameRate, 0u);
}

TEST(CodecEnumeration, InstalledCompressorsAreListedOnceEachWithTheirCodes) {
  CodecList list;
  DWORD cell = 0;
  EnumerateCodecs(list, cell, InstalledCompressors());
  ASSERT_FALSE(list.entries.empty()) << "no FFmpeg video encoder is offered as a compressor";
  std::set<std::u16string> seen;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const std::u16string description = CodecDescription(list.entries[i].info);
    EXPECT_FALSE(description.empty());
    EXPECT_TRUE(seen.insert(description).second) << "listed twice";
    EXPECT_EQ(list.indexByDescription.at(description), i);
    EXPECT_NE(list.entries[i].info.fccHandler, 0u);
    EXPECT_EQ(list.entries[i].info.fccType, static_cast<DWORD>(ICTYPE_VIDEO));
  }
}

TEST(FrameRates, TheSevenOfferedRatesInAscendingOrder) {
  FrameRateChoices choices;
  choices[99] = u"stale";
  FillFrameRateChoices(choices);
  std::vector<std::pair<DWORD, std::u16string>> pairs(choices.begin(), choices.end());
  const std::vector<std::pair<DWORD, std::u16string>> expected = {
      {1, u"1"}, {3, u"3"}, {5, u"5"}, {7, u"7"}, {10, u"10"}, {15, u"15"}, {20, u"20"}};
  EXPECT_EQ(pairs, expected);
}

}  // namespace
