// The compressor manager and the AVIFile/AVIStream calls used directly.
#include <gtest/gtest.h>
#include <vfw.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AviWalker.h"
#include "MediaProbe.h"
#include "win32/Text.h"

namespace {

std::string Fourcc(DWORD code) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((code >> (8 * i)) & 0xFF);
  return s;
}

struct Listed {
  ICINFO info;
  LRESULT qualityResult, keyRateResult;
  DWORD quality, keyRate;
};

// Enumerates the way the options dialogs do, with an answer cell preset to a
// marker so that an unanswered query shows.
std::map<std::string, Listed> EnumerateAll() {
  std::map<std::string, Listed> all;
  ICINFO info{};
  for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
    EXPECT_EQ(info.fccType, static_cast<DWORD>(ICTYPE_VIDEO));
    HIC ic = ICOpen(info.fccType, info.fccHandler, ICMODE_QUERY);
    EXPECT_NE(ic, nullptr) << Fourcc(info.fccHandler);
    if (!ic) continue;
    Listed l{};
    EXPECT_EQ(ICGetInfo(ic, &l.info, sizeof l.info), static_cast<LRESULT>(sizeof(ICINFO)));
    l.quality = l.keyRate = 0xC0FFEE;
    l.keyRateResult = ICSendMessage(ic, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&l.keyRate), 4);
    l.qualityResult = ICSendMessage(ic, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&l.quality), 4);
    EXPECT_EQ(ICClose(ic), ICERR_OK);
    all[Fourcc(l.info.fccHandler)] = l;
  }
  return all;
}

TEST(Compressors, ListsTheUsableEncodersWithTheirAnswers) {
  const auto all = EnumerateAll();
  for (const char* wanted : {"MJPG", "FFV1", "HFYU", "ULRG", "FMP4", "H264", "MSVC"})
    EXPECT_TRUE(all.count(wanted)) << wanted << " is not listed";
  EXPECT_FALSE(all.count("cvid")) << "Cinepak is too slow to offer";

  std::set<std::u16string> descriptions;
  bool someoneDeclines = false;
  for (const auto& [code, l] : all) {
    EXPECT_EQ(l.info.dwSize, sizeof(ICINFO));
    EXPECT_GT(win32::WideLength(l.info.szName), 0u) << code;
    EXPECT_GT(win32::WideLength(l.info.szDriver), 0u) << code;
    EXPECT_TRUE(descriptions.insert(l.info.szDescription).second) << "duplicate description for " << code;
    for (const auto& [result, cell, upper] : {std::tuple{l.qualityResult, l.quality, 10000u},
                                              std::tuple{l.keyRateResult, l.keyRate, 1000u}}) {
      if (result == ICERR_OK) {
        EXPECT_LE(cell, upper) << code;
      } else {
        // Not answered: the cell keeps what the caller had in it.
        EXPECT_EQ(result, ICERR_UNSUPPORTED) << code;
        EXPECT_EQ(cell, 0xC0FFEEu) << code;
        someoneDeclines = true;
      }
    }
  }
  EXPECT_TRUE(someoneDeclines);
  // The key-frame rate caps the frame rates offered (1..20); the slow
  // Microsoft Video 1 offers no more than 5.
  ASSERT_TRUE(all.count("MSVC"));
  EXPECT_EQ(all.at("MSVC").keyRate, 5u);
  EXPECT_EQ(all.at("FFV1").qualityResult, ICERR_UNSUPPORTED);
}

TEST(Compressors, OpenByCodeOnly) {
  EXPECT_NE(ICOpen(ICTYPE_VIDEO, mmioFOURCC('m', 'j', 'p', 'g'), ICMODE_QUERY), nullptr) << "codes ignore case";
  EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('c', 'v', 'i', 'd'), ICMODE_QUERY), nullptr);
  EXPECT_EQ(ICOpen(mmioFOURCC('a', 'u', 'd', 'c'), mmioFOURCC('M', 'J', 'P', 'G'), ICMODE_QUERY), nullptr);
  ICINFO info{};
  EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, 200, &info));
  EXPECT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('H', '2', '6', '4'), &info));
  EXPECT_EQ(info.fccHandler, static_cast<DWORD>(mmioFOURCC('H', '2', '6', '4')));
  HIC bogus = reinterpret_cast<HIC>(&info);
  EXPECT_EQ(ICGetInfo(bogus, &info, sizeof info), 0);
  EXPECT_EQ(ICSendMessage(bogus, ICM_GETDEFAULTQUALITY, 0, 4), ICERR_BADHANDLE);
  EXPECT_EQ(ICClose(bogus), ICERR_BADHANDLE);
}

class AviFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AVIFileInit();
    dir = avitest::MakeTempDir();
  }
  void TearDown() override {
    AVIFileExit();
    std::filesystem::remove_all(dir);
  }
  std::u16string path(const char* name) { return win32::FromUtf8(dir + "/" + name); }
  static AVISTREAMINFOW VideoInfo(DWORD rate) {
    AVISTREAMINFOW si{};
    si.fccType = streamtypeVIDEO;
    si.dwScale = 1;
    si.dwRate = rate;
    return si;
  }
  static BITMAPINFOHEADER Dib(LONG w, LONG h, WORD bits) {
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = bits;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = static_cast<DWORD>(((w * bits + 31) / 32) * 4 * h);
    return bih;
  }
  std::string dir;
};

TEST_F(AviFileTest, StreamKeepsOneFormatAndMovesForward) {
  PAVIFILE file = nullptr;
  ASSERT_EQ(AVIFileOpenW(&file, path("b.avi").c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
  PAVISTREAM stream = nullptr;
  AVISTREAMINFOW si = VideoInfo(10);
  ASSERT_EQ(AVIFileCreateStreamW(file, &stream, &si), AVIERR_OK);

  AVICOMPRESSOPTIONS opts{};
  opts.fccType = streamtypeVIDEO;
  opts.fccHandler = mmioFOURCC('X', 'X', 'X', 'X');
  PAVISTREAM compressed = reinterpret_cast<PAVISTREAM>(1);
  EXPECT_EQ(AVIMakeCompressedStream(&compressed, stream, &opts, nullptr), AVIERR_NOCOMPRESSOR);
  EXPECT_EQ(compressed, nullptr);

  std::vector<BYTE> frame(4 * 4 * 4, 0x40);
  EXPECT_EQ(AVIStreamWrite(stream, 0, 1, frame.data(), 64, 0, nullptr, nullptr), AVIERR_BADFORMAT) << "no format yet";
  BITMAPINFOHEADER bad = Dib(4, 4, 16);
  EXPECT_EQ(AVIStreamSetFormat(stream, 0, &bad, sizeof bad), AVIERR_BADFORMAT);
  BITMAPINFOHEADER good = Dib(4, 4, 32);
  ASSERT_EQ(AVIStreamSetFormat(stream, 0, &good, sizeof good), AVIERR_OK);
  EXPECT_EQ(AVIStreamSetFormat(stream, 0, &good, sizeof good), AVIERR_UNSUPPORTED) << "one format per stream";
  EXPECT_EQ(AVIStreamWrite(stream, 0, 1, frame.data(), 32, 0, nullptr, nullptr), AVIERR_BADSIZE) << "short frame";
  LONG samples = 0, bytes = 0;
  ASSERT_EQ(AVIStreamWrite(stream, 0, 1, frame.data(), 64, 0, &samples, &bytes), AVIERR_OK);
  EXPECT_EQ(samples, 1);
  EXPECT_EQ(bytes, 64);
  EXPECT_EQ(AVIStreamWrite(stream, 0, 1, frame.data(), 64, 0, nullptr, nullptr), AVIERR_BADPARAM) << "going back";
  ASSERT_EQ(AVIStreamWrite(stream, 1, 1, frame.data(), 64, 0, nullptr, nullptr), AVIERR_OK);
  PAVISTREAM late = nullptr;
  EXPECT_EQ(AVIFileCreateStreamW(file, &late, &si), AVIERR_UNSUPPORTED) << "streams come before samples";

  // Released in the other order than the writer does: the file completes
  // only when its stream lets go of it.
  EXPECT_EQ(AVIFileRelease(file), 1u);
  EXPECT_EQ(AVIStreamRelease(stream), 0u);
  const auto probe = avitest::Probe(dir + "/b.avi");
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.decodedFrames, 2);
  EXPECT_EQ(probe.width, 4);
  EXPECT_EQ(avitest::CheckAviAgrees(avitest::WalkAvi(dir + "/b.avi"), 2, 10, true), "");
}

}  // namespace
