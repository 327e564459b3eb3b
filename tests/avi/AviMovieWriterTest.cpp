// AviMovieWriter: DIB frames in, files read back by ffprobe/ffmpeg and our RIFF walker.
#include "movie/AviMovieWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "AviWalker.h"
#include "MediaProbe.h"
#include "Process.h"
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

// Different in every pixel, row and frame: a flipped, shifted or repeated picture shows.
void Expected(LONG x, LONG y, int frame, BYTE bgr[3]) {
  bgr[0] = static_cast<BYTE>(x * 7 + frame * 13);
  bgr[1] = static_cast<BYTE>(y * 11 + frame * 3);
  bgr[2] = static_cast<BYTE>(x + y * 2 + 40);
}

// Black, white, red, green, blue and mid grey (blue, green, red): wrong
// range, coefficients, chroma planes or row order show in one of them.
constexpr BYTE kBands[6][3] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {128, 128, 128}};

// A DIB section the test paints; pixel (x, y) with y = 0 the top row.
struct Frame {
  LONG w, h;
  int bpp;
  BYTE* bits = nullptr;
  HBITMAP handle;
  Frame(LONG width, LONG height, int bitCount) : w(width), h(height), bpp(bitCount / 8) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, static_cast<WORD>(bitCount), BI_RGB, 0, 0, 0, 0, 0};
    handle = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  }
  ~Frame() { DeleteObject(handle); }
  // The pattern of `frame`, or (lossy compressors) the bands top to bottom.
  void paint(int frame, bool bands = false) {
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        BYTE* p = bits + (h - 1 - y) * ((w * bpp + 3) / 4 * 4) + x * bpp;
        if (bands) std::memcpy(p, kBands[y * 6 / h], 3);
        else Expected(x, y, frame, p);
        if (bpp == 4) p[3] = 0;
      }
  }
};

// Pixels of a decoded frame that differ from Frame::Expected.
int WrongPixels(const std::vector<std::uint8_t>& img, LONG w, LONG h, int frame) {
  int wrong = 0;
  for (LONG y = 0; y < h; ++y)
    for (LONG x = 0; x < w; ++x) {
      BYTE want[3];
      Expected(x, y, frame, want);
      wrong += img.size() < static_cast<size_t>(w * h * 3) || std::memcmp(&img[(y * w + x) * 3], want, 3) != 0;
    }
  return wrong;
}

DWORD Code(const char* text) { return text ? MAKEFOURCC(text[0], text[1], text[2], text[3]) : 0; }
std::u16string Wide(const std::string& s) { return win32::FromUtf8(s); }
std::string Error(const AviMovieWriter& writer) { return win32::ToUtf8(writer.lastErrorText()); }

class WriterTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return temp.str(name); }
  const pcvr_test::TempDir temp;
  const std::string dir = temp.path().string();
};

struct CodecCase {
  const char* code;  // null: no compressor chosen
  std::string expectCodec;
  bool lossless;
  int bits = 32;
  LONG width = 64, height = 48;
  DWORD rate = 7;
};
void PrintTo(const CodecCase& c, std::ostream* os) { *os << (c.code ? c.code : "none") << ", " << c.bits << " bits"; }

class EveryCompressor : public WriterTest, public ::testing::WithParamInterface<CodecCase> {};

TEST_P(EveryCompressor, FramesSizeRateAndPicture) {
  const CodecCase& c = GetParam();
  const LONG w = c.width, h = c.height;
  const int frames = 6;
  const std::string path = file("movie.avi");
  std::ofstream(path) << std::string(100000, 'x');  // a longer file of that name is replaced whole
  {
    AviMovieWriter writer(Wide(path).c_str(), Code(c.code), c.rate, -1);
    Frame frame(w, h, c.bits);
    for (int i = 0; i < frames; ++i) {
      frame.paint(i, !c.lossless);
      ASSERT_EQ(writer.appendFrame(frame.handle), S_OK) << Error(writer);
    }
    EXPECT_EQ(writer.state(), AviMovieWriter::Writing);
    EXPECT_EQ(Error(writer), "Method Succeeded");
  }
  const auto probe = pcvr_test::Probe(path);
  ASSERT_TRUE(probe.ok) << path;
  const bool uncompressed = c.expectCodec == "rawvideo";
  EXPECT_EQ(probe.codecName, c.expectCodec);
  EXPECT_EQ(probe.codecTag, uncompressed ? probe.codecTag : c.code);
  EXPECT_EQ(probe.shape(), std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(c.rate) + "/1 6");
  // Header, chunk names and indexes agree with the frames, all key frames.
  EXPECT_EQ(pcvr_test::CheckAviAgrees(pcvr_test::WalkAvi(path), frames, c.rate, uncompressed), "");
  if (uncompressed) {  // rows padded to four bytes
    EXPECT_EQ(pcvr_test::PacketSizes(path), std::vector<int>(frames, (w * c.bits + 31) / 32 * 4 * h));
  }
  const auto decoded = pcvr_test::DecodeBgr(path, w, h);
  ASSERT_EQ(decoded.size(), static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const auto& img = decoded[i];
    if (c.lossless) {
      EXPECT_EQ(WrongPixels(img, w, h, i), 0) << "frame " << i;
      continue;
    }
    // Each band in the middle of its rows keeps its colour, in its place.
    for (int band = 0; band < 6; ++band) {
      const BYTE* got = &img[((band * h / 6 + h / 12) * w + w / 2) * 3];
      for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(got[k], kBands[band][k], 10) << "frame " << i << " band " << band << " channel " << k;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Writer, EveryCompressor,
                         ::testing::Values(CodecCase{nullptr, "rawvideo", true, 32, 5, 3, 15},
                                           CodecCase{"XXXX", "rawvideo", true, 24, 5, 3, 15},  // names no compressor
                                           CodecCase{"FFV1", "ffv1", true}, CodecCase{"FFV1", "ffv1", true, 24},
                                           CodecCase{"HFYU", "huffyuv", true}, CodecCase{"ULRG", "utvideo", true},
                                           CodecCase{"MJPG", "mjpeg", false},
                                           CodecCase{"MJPG", "mjpeg", false, 24, 63,
                                                     48},  // odd width: through the scaler
                                           CodecCase{"FMP4", "mpeg4", false}, CodecCase{"FMP4", "mpeg4", false, 24},
                                           CodecCase{"H264", "h264", false}, CodecCase{"MSVC", "msvideo1", false}),
                         [](const auto& info) {
                           return std::string(info.param.code ? info.param.code : "none") + "_" +
                                  std::to_string(info.param.bits);
                         });

TEST_F(WriterTest, QualityReachesTheEncoder) {
  // Higher quality, larger file; the default (-1) lies between.
  for (const char* code : {"MJPG", "H264", "FMP4"}) {
    std::uintmax_t sizes[3] = {};
    const LONG qualities[3] = {2000, -1, 10000};
    for (int k = 0; k < 3; ++k) {
      const std::string path = file(std::string(code) + std::to_string(k) + ".avi");
      {
        AviMovieWriter writer(Wide(path).c_str(), Code(code), 10, qualities[k]);
        Frame frame(64, 48, 32);
        for (int i = 0; i < 3; ++i) {
          frame.paint(i);
          ASSERT_EQ(writer.appendFrame(frame.handle), S_OK);
        }
      }
      sizes[k] = std::filesystem::file_size(path);
    }
    EXPECT_TRUE(sizes[0] < sizes[1] && sizes[1] < sizes[2])
        << code << ": " << sizes[0] << " " << sizes[1] << " " << sizes[2];
  }
}

TEST_F(WriterTest, NoFrameNoFile) {
  const std::string path = file("never.avi");
  { AviMovieWriter writer(Wide(path).c_str(), Code("MJPG"), 10, -1); }
  EXPECT_FALSE(std::filesystem::exists(path));
  // Nor does a first frame that is no bitmap; a good one after it does.
  AviMovieWriter writer(Wide(path).c_str(), 0, 10, -1);
  EXPECT_EQ(writer.appendFrame(nullptr), E_FAIL);
  EXPECT_EQ(writer.appendFrame(reinterpret_cast<HBITMAP>(&writer)), E_FAIL);
  EXPECT_NE(Error(writer).find("Bitmap"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path));
  Frame frame(8, 8, 32);
  EXPECT_EQ(writer.appendFrame(frame.handle), S_OK);
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(WriterTest, FailuresAtTheFirstFrameNameTheStepAndLeaveNoFile) {
  // 259 characters is the longest name; 260 is refused, not cut to fit.
  const auto named = [&](size_t length) { return dir + "/" + std::string(length - dir.size() - 5, 'n') + ".avi"; };
  std::ofstream(file("old.avi")) << "an older movie";
  // What stands at a path and is no regular file is refused and left there.
  ASSERT_EQ(mkfifo(file("fifo.avi").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/null", file("device.avi"));
  struct Case {
    std::string path;
    const char* code;
    DWORD rate;
    std::string error;  // empty: succeeds
  };
  // Microsoft Video 1 refuses 30x30 (not a multiple of 4); an old file stays.
  const Case cases[] = {
      {named(259), nullptr, 10, ""},
      {named(260), nullptr, 10, "Unable to Create the Movie File: the File Name is Longer than 259 Characters"},
      {file("missing/dir.avi"), nullptr, 10, "Unable to Create the Movie File"},
      {file("msvc.avi"), "MSVC", 10, "Unable to Set Video Stream Format"},
      {file("old.avi"), "MSVC", 10, "Unable to Set Video Stream Format"},
      {file("rate0.avi"), nullptr, 0, "Unable to Create Video Stream in the Movie File"},
      {file("fifo.avi"), nullptr, 10, "Unable to Create the Movie File"},
      {file("device.avi"), nullptr, 10, "Unable to Create the Movie File"},
  };
  Frame frame(30, 30, 32);
  for (const Case& c : cases) {
    {
      AviMovieWriter writer(Wide(c.path).c_str(), Code(c.code), c.rate, -1);
      const HRESULT expected = c.error.empty() ? S_OK : E_FAIL;
      EXPECT_EQ(writer.appendFrame(frame.handle), expected) << c.path;
      EXPECT_EQ(Error(writer), c.error.empty() ? "Method Succeeded" : c.error) << c.path;
      EXPECT_EQ(writer.appendFrame(frame.handle), expected) << "the next frame too: " << c.path;
      EXPECT_EQ(writer.state(), c.error.empty() ? AviMovieWriter::Writing : AviMovieWriter::Failed) << c.path;
    }
    if (c.path == file("old.avi")) {
      EXPECT_EQ(pcvr_test::ReadFile(c.path), "an older movie");
    } else if (c.path == file("fifo.avi") || c.path == file("device.avi")) {
      EXPECT_NE(std::filesystem::symlink_status(c.path).type(), std::filesystem::file_type::not_found) << c.path;
    } else {
      EXPECT_EQ(std::filesystem::exists(c.path), c.error.empty()) << c.path;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(named(260).substr(0, 259))) << "the name is not cut to fit";
}

TEST_F(WriterTest, FrameOfAnotherSizeOrDepthIsRefusedAndRecordingGoesOn) {
  const std::string path = file("sizes.avi");
  {
    AviMovieWriter writer(Wide(path).c_str(), Code("FFV1"), 10, -1);
    Frame first(16, 8, 32), larger(32, 16, 32), taller(16, 9, 32), shallower(16, 8, 24);
    first.paint(0);
    ASSERT_EQ(writer.appendFrame(first.handle), S_OK);
    for (Frame* other : {&larger, &taller, &shallower}) {
      other->paint(9);
      EXPECT_EQ(writer.appendFrame(other->handle), E_FAIL);
      EXPECT_EQ(Error(writer), "Frame Size or Colour Depth Differs from the First Frame");
      EXPECT_EQ(writer.state(), AviMovieWriter::Writing);
    }
    first.paint(1);
    EXPECT_EQ(writer.appendFrame(first.handle), S_OK);
  }
  const auto decoded = pcvr_test::DecodeBgr(path, 16, 8);
  ASSERT_EQ(decoded.size(), 2u);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(WrongPixels(decoded[i], 16, 8, i), 0) << "frame " << i;
}

// Records in a child whose files may not pass `limit` bytes (a full disk);
// reports the frames accepted, the error and the failures of three more calls.
struct FullDiskResult {
  int accepted = -1;
  int laterFailures = 0;
  bool failedState = false;
  char error[128] = {};
};

FullDiskResult RecordUntilFull(const std::string& path, DWORD codec, rlim_t limit, int attempts) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  if (fork() == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    FullDiskResult r;
    {
      AviMovieWriter writer(Wide(path).c_str(), codec, 10, -1);
      Frame frame(160, 120, 32);
      for (r.accepted = 0; r.accepted < attempts; ++r.accepted) {
        frame.paint(r.accepted);
        if (writer.appendFrame(frame.handle) != S_OK) break;
      }
      std::snprintf(r.error, sizeof r.error, "%s", Error(writer).c_str());
      for (int k = 0; k < 3; ++k) r.laterFailures += writer.appendFrame(frame.handle) == E_FAIL;
      r.failedState = writer.state() == AviMovieWriter::Failed;
    }
    [[maybe_unused]] auto n = write(fds[1], &r, sizeof r);
    _exit(0);
  }
  close(fds[1]);
  FullDiskResult r;
  if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r.accepted = -2;
  close(fds[0]);
  wait(nullptr);
  return r;
}

TEST_F(WriterTest, FullDiskKeepsTheFramesWrittenBefore) {
  const int frameBytes = 160 * 120 * 4;
  for (DWORD codec : {DWORD{0}, Code("FFV1")}) {
    const std::string path = file("full.avi");
    // Room for the header and three and a half uncompressed frames.
    const FullDiskResult r = RecordUntilFull(path, codec, 4096 + frameBytes * 3 + frameBytes / 2, 200);
    ASSERT_GE(r.accepted, 1) << "codec " << codec;
    ASSERT_LT(r.accepted, 200) << "the limit was never reached";
    if (codec == 0) { EXPECT_EQ(r.accepted, 3) << "three whole frames fit under the limit"; }
    EXPECT_STREQ(r.error, "Unable to Write Video Stream to the output Movie File");
    EXPECT_EQ(r.laterFailures, 3);
    EXPECT_TRUE(r.failedState);
    // Cut back to its last whole frame, sizes and counts rewritten in place.
    EXPECT_EQ(pcvr_test::CheckAviAgrees(pcvr_test::WalkAvi(path), r.accepted, 10, codec == 0, false), "") << codec;
    EXPECT_EQ(pcvr_test::Probe(path).decodedFrames, r.accepted) << "codec " << codec;
    const auto decoded = pcvr_test::DecodeBgr(path, 160, 120);
    ASSERT_EQ(decoded.size(), static_cast<size_t>(r.accepted));
    for (int i = 0; i < r.accepted; ++i)
      EXPECT_EQ(WrongPixels(decoded[i], 160, 120, i), 0) << "frame " << i << " codec " << codec;
    std::filesystem::remove(path);
  }
}

}  // namespace
