#include "dialogs/VideoRecordingParams.h"

#include <cstring>
#include <vector>

#include "base/HostAccess.h"
#include "resources/StringTable.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

LONG EvenExtent(LONG extent) { return extent > 0 && (extent & 1) != 0 ? extent - 1 : extent; }

OdString CurrentDirectory() {
  std::vector<WCHAR> buffer(MAX_PATH);
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    // Too long for MAX_PATH: the answer is the size needed.
    buffer.resize(length);
    length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) length = 0;  // changed in between; give up
  }
  if (length == 0) return OdString(u".");
  return OdString(buffer.data(), static_cast<int>(length));
}

}  // namespace

OdString DefaultVideoFilePath() { return CurrentDirectory() + LoadModuleString(IDS_UNTITLED_AVI); }

CaptureTarget::CaptureTarget(const OdString& targetName, HWND targetWindow) : window(targetWindow), name(targetName) {
  if (targetWindow == nullptr) return;
  RECT client{};
  if (!GetClientRect(targetWindow, &client)) return;
  const LONG width = EvenExtent(client.right - client.left);
  const LONG height = EvenExtent(client.bottom - client.top);
  if (width <= 0 || height <= 0) return;
  frameFormat.biSize = sizeof(BITMAPINFOHEADER);
  frameFormat.biWidth = width;
  frameFormat.biHeight = height;
  frameFormat.biPlanes = 1;
  frameFormat.biBitCount = 32;
  frameFormat.biCompression = BI_RGB;
  frameFormat.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4u;
}

CaptureTarget& CaptureTarget::operator=(const CaptureTarget& other) {
  if (this == &other) return *this;
  window = other.window;
  std::memcpy(&frameFormat, &other.frameFormat, sizeof(frameFormat));
  name = other.name;
  return *this;
}

VideoRecordingParams::VideoRecordingParams() : filePath(DefaultVideoFilePath()) {}

VideoRecordingParams& VideoRecordingParams::operator=(const VideoRecordingParams& other) {
  if (this == &other) return *this;
  filePath = other.filePath;
  fps = other.fps;
  quality = other.quality;
  std::memcpy(&frameFormat, &other.frameFormat, sizeof(frameFormat));
  window = other.window;
  startDelay = other.startDelay;
  std::memcpy(&codecInfo, &other.codecInfo, sizeof(codecInfo));
  return *this;
}
