// AviMovieWriter end to end: frames in as DIB sections, files read back by
// ffprobe/ffmpeg.
#include "recording/AviMovieWriter.h"

#include <gtest/gtest.h>
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
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

// A DIB section the test paints; pixel (x, y) with y = 0 the top row.
class Frame {
 public:
  Frame(LONG width, LONG height, int bits) : m_width(width), m_height(height), m_bpp(bits / 8) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(bits);
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    m_bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    m_bits = static_cast<BYTE*>(p);
    m_stride = ((width * bits + 31) / 32) * 4;
  }
  ~Frame() { DeleteObject(m_bitmap); }
  HBITMAP handle() const { return m_bitmap; }
  BYTE* at(LONG x, LONG y) { return m_bits + (m_height - 1 - y) * m_stride + x * m_bpp; }

  // Different in every pixel, row and frame, so that a flipped, shifted or
  // repeated picture shows.
  static void Expected(LONG x, LONG y, int frame, BYTE bgr[3]) {
    bgr[0] = static_cast<BYTE>(x * 7 + frame * 13);
    bgr[1] = static_cast<BYTE>(y * 11 + frame * 3);
    bgr[2] = static_cast<BYTE>(x + y * 2 + 40);
  }
  void paintLossless(int frame) {
    for (LONG y = 0; y < m_height; ++y)
      for (LONG x = 0; x < m_width; ++x) {
        BYTE* p = at(x, y);
        Expected(x, y, frame, p);
        if (m_bpp == 4) p[3] = 0;
      }
  }
  // Red on the upper half, blue on the lower: survives lossy compression.
  void paintHalves() {
    for (LONG y = 0; y < m_height; ++y)
      for (LONG x = 0; x < m_width; ++x) {
        BYTE* p = at(x, y);
        const bool upper = y < m_height / 2;
        p[0] = upper ? 0 : 255;
        p[1] = 0;
        p[2] = upper ? 255 : 0;
      }
  }

 private:
  LONG m_width, m_height;
  int m_bpp;
  LONG m_stride = 0;
  HBITMAP m_bitmap = nullptr;
  BYTE* m_bits = nullptr;
};

DWORD Code(const char* text) { return text ? MAKEFOURCC(text[0], text[1], text[2], text[3]) : 0; }

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = avitest::MakeTempDir(); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string file(const std::string& name) const { return dir + "/" + name; }
  static std::u16string Wide(const std::string& s) { return win32::FromUtf8(s); }
  std::string dir;
};

struct CodecCase {
  const char* code;  // null: no compressor chosen
  std::string expectCodec;
  bool lossless;
  int bits = 32;
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << (c.code ? c.code : "no compressor") << ", " << c.bits << " bits"; }

class EveryCompressor : public WriterTest, public ::testing::WithParamInterface<CodecCase> {};

TEST_P(EveryCompressor, FramesSizeRateAndPicture) {
  const CodecCase& c = GetParam();
  const LONG w = 64, h = 48;
  const int frames = 6;
  const std::string path = file("movie.avi");
  {
    AviMovieWriter writer(Wide(path).c_str(), Code(c.code), 7, -1);
    Frame frame(w, h, c.bits);
    for (int i = 0; i < frames; ++i) {
      if (c.lossless) {
        frame.paintLossless(i);
      } else {
        frame.paintHalves();
      }
      ASSERT_EQ(writer.appendFrame(frame.handle()), S_OK) << win32::ToUtf8(writer.lastErrorText());
    }
    EXPECT_EQ(writer.state(), AviMovieWriter::Writing);
    EXPECT_EQ(win32::ToUtf8(writer.lastErrorText()), "Method Succeeded");
  }
  const auto probe = avitest::Probe(path);
  ASSERT_TRUE(probe.ok) << path;
  EXPECT_EQ(probe.codecName, c.expectCodec);
  if (c.code && c.expectCodec != "rawvideo") {
    EXPECT_EQ(probe.codecTag, c.code);
  }
  EXPECT_EQ(probe.width, w);
  EXPECT_EQ(probe.height, h);
  EXPECT_EQ(probe.frameRate, "7/1");
  EXPECT_EQ(probe.decodedFrames, frames);
  // What a Video for Windows reader sees: header (a rate of 7/1), chunk
  // names and indexes agree with the frames, and every frame is a key frame,
  // as the writer asks of every compressor; ffprobe reads the same flags.
  const bool uncompressed = c.expectCodec == "rawvideo";
  EXPECT_EQ(avitest::CheckAviAgrees(avitest::WalkAvi(path), frames, 7, uncompressed), "");
  EXPECT_EQ(avitest::PacketKeyFlags(path), std::vector<bool>(frames, true));

  const auto decoded = avitest::DecodeBgr(path, w, h);
  ASSERT_EQ(decoded.size(), static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const auto& img = decoded[i];
    if (c.lossless) {
      int wrong = 0;
      for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
          BYTE want[3];
          Frame::Expected(x, y, i, want);
          wrong += std::memcmp(&img[(y * w + x) * 3], want, 3) != 0;
        }
      EXPECT_EQ(wrong, 0) << "frame " << i;
    } else {
      // Upright: red above, blue below (sampled away from the edge).
      const BYTE* top = &img[(h / 4 * w + w / 2) * 3];
      const BYTE* bottom = &img[(3 * h / 4 * w + w / 2) * 3];
      EXPECT_GT(top[2], 180) << "frame " << i;
      EXPECT_LT(top[0], 80) << "frame " << i;
      EXPECT_GT(bottom[0], 180) << "frame " << i;
      EXPECT_LT(bottom[2], 80) << "frame " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Writer, EveryCompressor,
                         ::testing::Values(CodecCase{nullptr, "rawvideo", true},
                                           CodecCase{"XXXX", "rawvideo", true},  // names no compressor
                                           CodecCase{"FFV1", "ffv1", true}, CodecCase{"FFV1", "ffv1", true, 24},
                                           CodecCase{"HFYU", "huffyuv", true},
                                           CodecCase{"ULRG", "utvideo", true}, CodecCase{"MJPG", "mjpeg", false},
                                           CodecCase{"FMP4", "mpeg4", false}, CodecCase{"H264", "h264", false},
                                           CodecCase{"MSVC", "msvideo1", false}),
                         [](const auto& info) {
                           return std::string(info.param.code ? info.param.code : "none") + "_" +
                                  std::to_string(info.param.bits);
                         });

TEST_F(WriterTest, QualityReachesTheEncoder) {
  // Higher quality, larger file; -1 takes the compressor's default, which
  // lies between the two ends.
  for (const char* code : {"MJPG", "H264", "FMP4"}) {
    std::uintmax_t sizes[3] = {};
    const LONG qualities[3] = {2000, -1, 10000};
    for (int k = 0; k < 3; ++k) {
      const std::string path = file(std::string(code) + std::to_string(k) + ".avi");
      {
        AviMovieWriter writer(Wide(path).c_str(), Code(code), 10, qualities[k]);
        Frame frame(64, 48, 32);
        for (int i = 0; i < 3; ++i) {
          frame.paintLossless(i);
          ASSERT_EQ(writer.appendFrame(frame.handle()), S_OK);
        }
      }
      sizes[k] = std::filesystem::file_size(path);
    }
    EXPECT_LT(sizes[0], sizes[1]) << code;
    EXPECT_LT(sizes[1], sizes[2]) << code;
  }
}

TEST_F(WriterTest, UncompressedRowsArePaddedToFourBytes) {
  for (int bits : {32, 24}) {
    const std::string path = file("rows" + std::to_string(bits) + ".avi");
    std::ofstream(path) << std::string(100000, 'x');  // a longer file of that name is replaced whole
    {
      AviMovieWriter writer(Wide(path).c_str(), 0, 15, -1);
      Frame frame(5, 3, bits);
      for (int i = 0; i < 2; ++i) {
        frame.paintLossless(i);
        ASSERT_EQ(writer.appendFrame(frame.handle()), S_OK);
      }
    }
    const int rowBytes = bits == 32 ? 20 : 16;
    EXPECT_EQ(avitest::PacketSizes(path), (std::vector<int>{rowBytes * 3, rowBytes * 3})) << bits << " bits";
    // biSizeImage counts the padded rows; 66 667 microseconds a frame.
    EXPECT_EQ(avitest::CheckAviAgrees(avitest::WalkAvi(path), 2, 15, true), "") << bits << " bits";
    const auto decoded = avitest::DecodeBgr(path, 5, 3);
    ASSERT_EQ(decoded.size(), 2u) << bits << " bits";
    for (int i = 0; i < 2; ++i)
      for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 5; ++x) {
          BYTE want[3];
          Frame::Expected(x, y, i, want);
          EXPECT_EQ(0, std::memcmp(&decoded[i][(y * 5 + x) * 3], want, 3)) << bits << " bits, " << x << "," << y;
        }
  }
}

TEST_F(WriterTest, NoFrameNoFile) {
  const std::string path = file("never.avi");
  { AviMovieWriter writer(Wide(path).c_str(), Code("MJPG"), 10, -1); }
  EXPECT_FALSE(avitest::FileExists(path));

  // A first frame that is not a bitmap the writer can read opens nothing
  // either, and a good frame after it starts the file.
  AviMovieWriter writer(Wide(path).c_str(), 0, 10, -1);
  EXPECT_EQ(writer.appendFrame(nullptr), E_FAIL);
  EXPECT_EQ(writer.appendFrame(reinterpret_cast<HBITMAP>(&writer)), E_FAIL);
  EXPECT_NE(win32::ToUtf8(writer.lastErrorText()).find("Bitmap"), std::string::npos);
  EXPECT_FALSE(avitest::FileExists(path));
  Frame frame(8, 8, 32);
  EXPECT_EQ(writer.appendFrame(frame.handle()), S_OK);
  EXPECT_TRUE(avitest::FileExists(path));
}

TEST_F(WriterTest, FrameOfAnotherSizeOrDepthIsRefusedAndRecordingGoesOn) {
  const std::string path = file("sizes.avi");
  {
    AviMovieWriter writer(Wide(path).c_str(), Code("FFV1"), 10, -1);
    Frame first(16, 8, 32), larger(32, 16, 32), taller(16, 9, 32), shallower(16, 8, 24);
    first.paintLossless(0);
    ASSERT_EQ(writer.appendFrame(first.handle()), S_OK);
    for (Frame* other : {&larger, &taller, &shallower}) {
      other->paintLossless(9);
      EXPECT_EQ(writer.appendFrame(other->handle()), E_FAIL);
      EXPECT_EQ(win32::ToUtf8(writer.lastErrorText()), "Frame Size or Colour Depth Differs from the First Frame");
      EXPECT_EQ(writer.state(), AviMovieWriter::Writing);
    }
    first.paintLossless(1);
    EXPECT_EQ(writer.appendFrame(first.handle()), S_OK);
  }
  const auto probe = avitest::Probe(path);
  EXPECT_EQ(probe.decodedFrames, 2);
  const auto decoded = avitest::DecodeBgr(path, 16, 8);
  ASSERT_EQ(decoded.size(), 2u);
  BYTE want[3];
  Frame::Expected(15, 7, 1, want);
  EXPECT_EQ(0, std::memcmp(&decoded[1][(7 * 16 + 15) * 3], want, 3)) << "the second good frame follows the first";
}

TEST_F(WriterTest, FileNameLimitIs259Characters) {
  // dir + "/" + name, padded to exactly 259 and 260 characters.
  const std::string base = dir + "/";
  const std::string longest = base + std::string(259 - base.size() - 4, 'n') + ".avi";
  ASSERT_EQ(longest.size(), 259u);
  const std::string tooLong = base + std::string(260 - base.size() - 4, 'n') + ".avi";
  ASSERT_EQ(tooLong.size(), 260u);
  Frame frame(8, 8, 32);
  {
    AviMovieWriter writer(Wide(longest).c_str(), 0, 10, -1);
    EXPECT_EQ(writer.appendFrame(frame.handle()), S_OK);
  }
  EXPECT_TRUE(avitest::FileExists(longest));
  {
    AviMovieWriter writer(Wide(tooLong).c_str(), 0, 10, -1);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
    EXPECT_NE(win32::ToUtf8(writer.lastErrorText()).find("259"), std::string::npos);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
    EXPECT_EQ(writer.state(), AviMovieWriter::Failed);
  }
  EXPECT_FALSE(avitest::FileExists(tooLong));
  EXPECT_FALSE(avitest::FileExists(tooLong.substr(0, 259))) << "the name is not cut to fit";
}

TEST_F(WriterTest, StreamCreationFailuresNameTheStep) {
  Frame frame(30, 30, 32);
  {
    AviMovieWriter writer(Wide(file("missing/dir.avi")).c_str(), 0, 10, -1);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
    EXPECT_EQ(win32::ToUtf8(writer.lastErrorText()), "Unable to Create the Movie File");
    EXPECT_EQ(writer.state(), AviMovieWriter::Failed);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
  }
  // Microsoft Video 1 codes 4x4 blocks and refuses 30x30 frames (even, as
  // a window's client size is, but no multiple of 4) at the first frame: no
  // empty file is left behind, and a file of that name stays as it was.
  std::ofstream(file("old.avi")) << "an older movie";
  for (const char* name : {"msvc.avi", "old.avi"}) {
    AviMovieWriter writer(Wide(file(name)).c_str(), Code("MSVC"), 10, -1);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
    EXPECT_EQ(win32::ToUtf8(writer.lastErrorText()), "Unable to Set Video Stream Format");
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
  }
  EXPECT_FALSE(avitest::FileExists(file("msvc.avi")));
  std::string old;
  std::getline(std::ifstream(file("old.avi")), old);
  EXPECT_EQ(old, "an older movie");
  {
    AviMovieWriter writer(Wide(file("rate0.avi")).c_str(), 0, 0, -1);
    EXPECT_EQ(writer.appendFrame(frame.handle()), E_FAIL);
    EXPECT_EQ(win32::ToUtf8(writer.lastErrorText()), "Unable to Create Video Stream in the Movie File");
  }
  EXPECT_FALSE(avitest::FileExists(file("rate0.avi")));
}

// Runs a recording in a child process whose files may not grow past `limit`
// bytes, as on a full disk. Reports through a pipe how many frames were
// accepted and whether every call after the failure failed too.
struct FullDiskResult {
  int accepted = -1;
  int laterFailures = 0;
  bool failedState = false;
  char error[128] = {};
};

FullDiskResult RecordUntilFull(const std::string& path, DWORD codec, rlim_t limit, int attempts) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    FullDiskResult r;
    {
      AviMovieWriter writer(win32::FromUtf8(path).c_str(), codec, 10, -1);
      Frame frame(160, 120, 32);
      r.accepted = 0;
      int i = 0;
      for (; i < attempts; ++i) {
        frame.paintLossless(i);
        if (writer.appendFrame(frame.handle()) != S_OK) break;
        ++r.accepted;
      }
      std::snprintf(r.error, sizeof r.error, "%s", win32::ToUtf8(writer.lastErrorText()).c_str());
      for (int k = 0; k < 3; ++k) r.laterFailures += writer.appendFrame(frame.handle()) == E_FAIL;
      r.failedState = writer.state() == AviMovieWriter::Failed;
    }
    [[maybe_unused]] auto n = write(fds[1], &r, sizeof r);
    _exit(0);
  }
  close(fds[1]);
  FullDiskResult r;
  if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r.accepted = -2;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return r;
}

TEST_F(WriterTest, FullDiskKeepsTheFramesWrittenBefore) {
  const int frameBytes = 160 * 120 * 4;
  for (DWORD codec : {DWORD{0}, Code("FFV1")}) {
    const std::string path = file("full.avi");
    // Room for the header and a few uncompressed frames, or for some more
    // compressed ones.
    const FullDiskResult r = RecordUntilFull(path, codec, 4096 + frameBytes * 3 + frameBytes / 2, 200);
    ASSERT_GE(r.accepted, 1) << "codec " << codec;
    ASSERT_LT(r.accepted, 200) << "the limit was never reached";
    EXPECT_STREQ(r.error, "Unable to Write Video Stream to the output Movie File");
    EXPECT_EQ(r.laterFailures, 3);
    EXPECT_TRUE(r.failedState);
    if (codec == 0) {
      EXPECT_EQ(r.accepted, 3) << "three whole frames fit under the limit";
    }

    // The file was cut back to its last whole frame and its RIFF size says
    // so, as a reader that trusts the header needs.
    std::ifstream in(path, std::ios::binary);
    unsigned char head[8] = {};
    in.read(reinterpret_cast<char*>(head), 8);
    const auto riffSize = head[4] | (head[5] << 8) | (head[6] << 16) | (static_cast<std::uint64_t>(head[7]) << 24);
    EXPECT_EQ(std::memcmp(head, "RIFF", 4), 0);
    EXPECT_EQ(riffSize + 8, std::filesystem::file_size(path)) << "codec " << codec;
    // The frame counts were rewritten in place too.
    EXPECT_EQ(avitest::CheckAviAgrees(avitest::WalkAvi(path), r.accepted, 10, codec == 0, false), "") << codec;

    const auto probe = avitest::Probe(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, r.accepted) << "codec " << codec;
    const auto decoded = avitest::DecodeBgr(path, 160, 120);
    ASSERT_EQ(decoded.size(), static_cast<size_t>(r.accepted));
    for (int i = 0; i < r.accepted; ++i) {
      int wrong = 0;
      for (LONG y = 0; y < 120; ++y)
        for (LONG x = 0; x < 160; ++x) {
          BYTE want[3];
          Frame::Expected(x, y, i, want);
          wrong += std::memcmp(&decoded[i][(y * 160 + x) * 3], want, 3) != 0;
        }
      EXPECT_EQ(wrong, 0) << "frame " << i << " codec " << codec;
    }
    std::filesystem::remove(path);
  }
}

}  // namespace
