// The compressor manager as the options dialogs use it. (The AVIFile calls
// are the writer's, checked through it in AviMovieWriterTest.cpp.)
#include <gtest/gtest.h>
#include <vfw.h>

#include <map>
#include <set>
#include <string>

#include "win32/Text.h"

namespace {

std::string Fourcc(DWORD code) { return std::string(reinterpret_cast<const char*>(&code), 4); }

TEST(Compressors, ListsTheUsableEncodersWithTheirAnswers) {
  // Enumerated as the options dialogs do, with each answer cell preset to a
  // marker so that an unanswered query shows.
  struct Listed {
    ICINFO info;
    LRESULT result[2];
    DWORD cell[2];  // default quality, default key-frame rate
  };
  std::map<std::string, Listed> all;
  ICINFO info{};
  for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
    HIC ic = ICOpen(info.fccType, info.fccHandler, ICMODE_QUERY);
    ASSERT_NE(ic, nullptr) << Fourcc(info.fccHandler);
    Listed l{};
    EXPECT_EQ(ICGetInfo(ic, &l.info, sizeof l.info), static_cast<LRESULT>(sizeof(ICINFO)));
    l.cell[0] = l.cell[1] = 0xC0FFEE;
    l.result[0] = ICSendMessage(ic, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&l.cell[0]), 4);
    l.result[1] = ICSendMessage(ic, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&l.cell[1]), 4);
    EXPECT_EQ(ICClose(ic), ICERR_OK);
    all[Fourcc(l.info.fccHandler)] = l;
  }
  for (const char* wanted : {"MJPG", "FFV1", "HFYU", "ULRG", "FMP4", "H264", "MSVC"})
    EXPECT_TRUE(all.count(wanted)) << wanted;
  EXPECT_FALSE(all.count("cvid")) << "Cinepak is too slow to offer";
  std::set<std::u16string> descriptions;
  for (const auto& [code, l] : all) {
    EXPECT_EQ(l.info.fccType, static_cast<DWORD>(ICTYPE_VIDEO));
    EXPECT_GT(win32::WideLength(l.info.szName) * win32::WideLength(l.info.szDriver), 0u) << code;
    EXPECT_TRUE(descriptions.insert(l.info.szDescription).second) << "duplicate description for " << code;
    for (int k = 0; k < 2; ++k) {
      // Answered within range, or declined with the cell as the caller had it.
      if (l.result[k] == ICERR_OK) {
        EXPECT_LE(l.cell[k], k == 0 ? 10000u : 1000u) << code;
      } else {
        EXPECT_EQ(std::make_pair(l.result[k], l.cell[k]), std::make_pair(LRESULT{ICERR_UNSUPPORTED}, DWORD{0xC0FFEE}))
            << code;
      }
    }
  }
  // The key-frame rate caps the frame rates offered; the slow Microsoft
  // Video 1 offers no more than 5. FFV1 has no quality to set.
  ASSERT_TRUE(all.count("MSVC") && all.count("FFV1"));
  EXPECT_EQ(all.at("MSVC").cell[1], 5u);
  EXPECT_EQ(all.at("FFV1").result[0], ICERR_UNSUPPORTED);
}

TEST(Compressors, OpenByCodeOnly) {
  EXPECT_NE(ICOpen(ICTYPE_VIDEO, mmioFOURCC('m', 'j', 'p', 'g'), ICMODE_QUERY), nullptr) << "codes ignore case";
  EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('c', 'v', 'i', 'd'), ICMODE_QUERY), nullptr);
  EXPECT_EQ(ICOpen(mmioFOURCC('a', 'u', 'd', 'c'), mmioFOURCC('M', 'J', 'P', 'G'), ICMODE_QUERY), nullptr);
  ICINFO info{};
  EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, 200, &info));
  EXPECT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('H', '2', '6', '4'), &info));
  EXPECT_EQ(info.fccHandler, static_cast<DWORD>(mmioFOURCC('H', '2', '6', '4')));
}

}  // namespace
