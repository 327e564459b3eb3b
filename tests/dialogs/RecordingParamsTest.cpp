// Recording parameters: the default file in the current folder, and capture
// targets built from real X windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "DialogTestSupport.h"
#include "dialogs/VideoRecordingParams.h"
#include "support/Process.h"
#include "support/XWindows.h"

namespace fs = std::filesystem;

namespace {

bool AllZero(const BITMAPINFOHEADER& format) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&format);
  return std::all_of(bytes, bytes + sizeof format, [](unsigned char b) { return b == 0; });
}

TEST(RecordingParams, TheDefaultFileIsUntitledInTheCurrentFolderHoweverLongOrGone) {
  const pcvr_test::TempDir root("pcvr-params-");
  fs::path deep = root.path();
  while (deep.string().size() <= 300) deep /= std::string(40, 'd');  // longer than MAX_PATH: kept whole
  fs::create_directories(deep);
  const fs::path gone = root / "gone";
  fs::create_directories(gone);
  const auto previous = fs::current_path();
  for (const auto& [folder, expected] : {std::pair{deep, deep.string() + "\\Untitled.avi"},
                                         std::pair{gone, std::string(".\\Untitled.avi")}}) {
    fs::current_path(folder);
    if (folder == gone) fs::remove(gone);  // a removed current folder gives a path relative to it
    EXPECT_EQ(VideoRecordingParams().filePath.toUtf8(), expected);
  }
  fs::current_path(previous);
}

TEST(CaptureTargets, TheClientSizeMadeEvenAt32BitsPerPixelOrNothingWithoutAWindow) {
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto gone = x.create(0, 0, 0, 320, 240);
  x.destroy(gone);  // the server has it gone once this returns
  const struct {
    std::uintptr_t window;
    LONG width, height;
  } table[] = {{x.create(0, 0, 0, 801, 601), 800, 600}, {x.create(0, 0, 0, 640, 480), 640, 480}, {0, 0, 0}, {gone, 0, 0}};
  for (const auto& row : table) {
    const CaptureTarget target(OdString(u"Current document"), reinterpret_cast<HWND>(row.window));
    EXPECT_EQ(target.name.toUtf8(), "Current document");
    EXPECT_EQ(target.window, reinterpret_cast<HWND>(row.window));
    const BITMAPINFOHEADER& f = target.frameFormat;
    if (row.width == 0) {
      EXPECT_TRUE(AllZero(f)) << row.window;
      continue;
    }
    EXPECT_EQ(std::make_tuple(f.biSize, f.biWidth, f.biHeight, f.biPlanes, f.biBitCount, f.biCompression, f.biSizeImage),
              std::make_tuple(40u, row.width, row.height, WORD{1}, WORD{32}, DWORD{0}, DWORD(row.width * row.height * 4)));
    EXPECT_EQ(std::make_tuple(f.biXPelsPerMeter, f.biYPelsPerMeter, f.biClrUsed, f.biClrImportant),
              std::make_tuple(0, 0, 0u, 0u));
  }
  EXPECT_TRUE(AllZero(CaptureTarget().frameFormat));
}

}  // namespace
