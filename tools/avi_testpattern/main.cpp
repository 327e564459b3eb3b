// Writes a few seconds of a moving test pattern into an AVI file with a
// chosen compressor, through the same writer the recorder uses.
//
//   avi_testpattern --list | --help
//   avi_testpattern OUT.avi [FOURCC|none] [--fps N] [--seconds S] [--size WxH] [--depth 24|32]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <vfw.h>

#include "movie/AviMovieWriter.h"
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

const char kUsage[] =
    "Usage: avi_testpattern --list\n"
    "  or:  avi_testpattern OUT.avi [FOURCC|none] [--fps N] [--seconds S] [--size WxH] [--depth 24|32]\n"
    "  or:  avi_testpattern --help\n";

// A bad command line: the usage on standard error, exit code 2.
int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

std::string FourccText(DWORD code) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((code >> (8 * i)) & 0xFF);
  return s;
}

int List() {
  ICINFO info{};
  for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
    HIC ic = ICOpen(info.fccType, info.fccHandler, ICMODE_QUERY);
    if (!ic) continue;
    ICGetInfo(ic, &info, sizeof info);
    DWORD quality = 0, keyRate = 0;
    const bool hasQuality =
        ICSendMessage(ic, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&quality), 4) == ICERR_OK;
    const bool hasKeyRate =
        ICSendMessage(ic, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&keyRate), 4) == ICERR_OK;
    std::printf("%s  %-14s %-28s %-22s quality %-6s key-frame rate %s\n", FourccText(info.fccHandler).c_str(),
                win32::ToUtf8(info.szName).c_str(), win32::ToUtf8(info.szDescription).c_str(),
                win32::ToUtf8(info.szDriver).c_str(), hasQuality ? std::to_string(quality).c_str() : "-",
                hasKeyRate ? std::to_string(keyRate).c_str() : "-");
    ICClose(ic);
  }
  return 0;
}

// Colour bars that scroll sideways, a square bouncing over them and a
// counter bar at the bottom that grows by one step a frame.
void DrawPattern(BYTE* bits, LONG width, LONG height, int bytesPerPixel, LONG stride, int frame) {
  static const BYTE kBars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                   {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
  const LONG box = std::max<LONG>(8, height / 6);
  const LONG span = std::max<LONG>(1, width - box), drop = std::max<LONG>(1, height - box);
  LONG bx = (frame * 7) % (2 * span), by = (frame * 5) % (2 * drop);
  if (bx >= span) bx = 2 * span - bx;
  if (by >= drop) by = 2 * drop - by;
  for (LONG y = 0; y < height; ++y) {
    BYTE* row = bits + static_cast<std::ptrdiff_t>(height - 1 - y) * stride;  // bottom-up
    for (LONG x = 0; x < width; ++x) {
      const BYTE* c = kBars[((x + frame * 4) * 8 / width) % 8];
      BYTE b = c[0], g = c[1], r = c[2];
      if (x >= bx && x < bx + box && y >= by && y < by + box) b = g = r = 32;
      if (y >= height - height / 16 && x < (frame * 8) % width) b = g = r = 200;
      BYTE* p = row + x * bytesPerPixel;
      p[0] = b;
      p[1] = g;
      p[2] = r;
      if (bytesPerPixel == 4) p[3] = 0;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--list") == 0) return argc == 2 ? List() : Usage();
  // An option in the place of the file name is a mistake, not a name.
  if (argv[1][0] == '-') return Usage();
  std::string out = argv[1];
  DWORD codec = 0;
  int fps = 15, depth = 32;
  double seconds = 4;
  LONG width = 640, height = 360;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--fps" && i + 1 < argc) {
      fps = std::atoi(argv[++i]);
    } else if (a == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (a == "--size" && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) return Usage();
    } else if (a == "--depth" && i + 1 < argc) {
      depth = std::atoi(argv[++i]);
    } else if (a.size() == 4 && a[0] != '-') {
      codec = MAKEFOURCC(a[0], a[1], a[2], a[3]);
    } else if (a != "none") {
      return Usage();
    }
  }
  if (fps <= 0 || seconds <= 0 || width <= 0 || height <= 0 || (depth != 24 && depth != 32)) return Usage();

  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = static_cast<WORD>(depth);
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP frame = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!frame) {
    std::fprintf(stderr, "cannot create a %dx%d %d-bit bitmap\n", width, height, depth);
    return 1;
  }
  const LONG stride = ((width * depth + 31) / 32) * 4;
  const int frames = static_cast<int>(seconds * fps + 0.5);
  int written = 0;
  {
    AviMovieWriter writer(win32::FromUtf8(out).c_str(), codec, static_cast<DWORD>(fps), -1);
    for (; written < frames; ++written) {
      DrawPattern(static_cast<BYTE*>(bits), width, height, depth / 8, stride, written);
      if (FAILED(writer.appendFrame(frame))) {
        std::fprintf(stderr, "frame %d: %s\n", written, win32::ToUtf8(writer.lastErrorText()).c_str());
        break;
      }
    }
  }
  DeleteObject(frame);
  std::printf("%s: %d frames of %dx%d at %d fps, compressor %s\n", out.c_str(), written, width, height, fps,
              codec ? FourccText(codec).c_str() : "none");
  return written == frames ? 0 : 1;
}
