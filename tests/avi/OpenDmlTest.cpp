// A recording past the 1 GiB RIFF limit goes on in OpenDML RIFF-AVIX parts and
// reads back whole (1.2 GB written: the "slow" label).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "AviWalker.h"
#include "MediaProbe.h"
#include "Process.h"
#include "movie/AviMovieWriter.h"
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

TEST(OpenDml, RecordingPastOneGibibyteStaysWhole) {
  const pcvr_test::TempDir temp;  // the 1.2 GB go away also when an assertion ends the test early
  const std::string path = temp.str("long.avi");
  const LONG w = 1920, h = 1080;
  const int frames = 150;  // 8,294,400 bytes each: 1.24 GB
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP frame = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(frame, nullptr);
  {
    AviMovieWriter writer(win32::FromUtf8(path).c_str(), 0, 25, -1);
    for (int i = 0; i < frames; ++i) {
      // Frame number in the first pixel of the top row.
      BYTE* topLeft = static_cast<BYTE*>(bits) + static_cast<size_t>(h - 1) * w * 4;
      topLeft[0] = static_cast<BYTE>(i);
      topLeft[1] = static_cast<BYTE>(255 - i);
      ASSERT_EQ(writer.appendFrame(frame), S_OK) << i;
    }
    // What a kill -9 would leave now: the parts up to the last refresh of
    // the header, whose counts agree with them, and whole frames after.
    const pcvr_test::AviLayout killed = pcvr_test::WalkAvi(path);
    EXPECT_TRUE(killed.error.empty() || killed.error == "data after the last RIFF part") << killed.error;
    ASSERT_GE(killed.framesPerPart.size(), 2u);
    EXPECT_EQ(killed.avihTotalFrames, static_cast<std::uint32_t>(killed.framesPerPart[0]));
    EXPECT_EQ(killed.strhLength, killed.frames.size());
    EXPECT_EQ(killed.dmlhTotalFrames, static_cast<std::int64_t>(killed.frames.size()));
    EXPECT_EQ(killed.frames.size() + killed.framesPastTree, static_cast<std::size_t>(frames));
  }
  DeleteObject(frame);
  // Two RIFF parts or more: avih counts the first, dmlh every frame, ix00
  // entries point at their chunks; 8 MB chunks are above the muxer's 1 MiB
  // buffer size. ffprobe counts every packet.
  const pcvr_test::AviLayout avi = pcvr_test::WalkAvi(path);
  EXPECT_GE(avi.framesPerPart.size(), 2u);
  EXPECT_GT(avi.frames.back().offset, 1ll << 30);
  EXPECT_EQ(pcvr_test::CheckAviAgrees(avi, frames, 25, true), "");
  const std::string packets =
      pcvr_test::RunProcess({"ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
                             "stream=nb_read_packets", "-of", "csv=p=0", path},
                            pcvr_test::kQuiet)
          .output;
  EXPECT_EQ(std::atoi(packets.c_str()), frames);
  // The last frame, from the second part, decodes with its own number.
  const std::string last = pcvr_test::RunProcess({"ffmpeg", "-v", "error", "-i", path, "-vf",
                                                  "select=eq(n\\," + std::to_string(frames - 1) + "),crop=1:1:0:0",
                                                  "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "bgr24", "-"},
                                                 pcvr_test::kQuiet)
                               .output;
  ASSERT_EQ(last.size(), 3u);
  EXPECT_EQ(static_cast<BYTE>(last[0]), frames - 1);
  EXPECT_EQ(static_cast<BYTE>(last[1]), 255 - (frames - 1));
}

}  // namespace
