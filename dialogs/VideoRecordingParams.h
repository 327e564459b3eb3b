// The settings of one recording, handed from an options dialog to the command
// that records, and the windows a recording can be made of.
#pragma once

#include "sdk/OdString.h"
#include "vfw.h"
#include "win32/Gdi.h"
#include "win32/WinTypes.h"

// A window offered for recording, with the format of every frame taken from
// it: the client size made even (an odd positive width or height loses one
// pixel), 32 bits per pixel, uncompressed, bottom-up.
//
// frameFormat stays all zero when the window is null or its client rectangle
// cannot be read (the window is gone). A consumer must treat a zero biWidth or
// biHeight as "nothing to record" and refuse to start, rather than open a
// writer on an empty frame.
struct CaptureTarget {
  HWND window = nullptr;
  BITMAPINFOHEADER frameFormat{};
  OdString name;

  CaptureTarget() = default;
  CaptureTarget(const OdString& targetName, HWND targetWindow);
  CaptureTarget(const CaptureTarget& other) = default;
  CaptureTarget& operator=(const CaptureTarget& other);
};

// The result of an options dialog. Copied by value; the dialogs fill it on OK
// and the caller copies it before the dialog is destroyed.
//
// fps is 0 when the dialog's frame-rate list was empty (the chosen compressor
// allows no rate from the offered ones). Every consumer divides by fps and
// must therefore refuse to record with fps <= 0.
struct VideoRecordingParams {
  OdString filePath;
  int fps = 30;
  int quality = ICQUALITY_DEFAULT;
  BITMAPINFOHEADER frameFormat{};
  HWND window = nullptr;
  int startDelay = 3;
  ICINFO codecInfo{};

  VideoRecordingParams();
  VideoRecordingParams(const VideoRecordingParams& other) = default;
  VideoRecordingParams& operator=(const VideoRecordingParams& other);
};

// The output path every dialog opens with: the process's current directory
// followed by the string-table text "\Untitled.avi". A current directory
// longer than MAX_PATH is taken whole (Linux allows it, and a cut directory
// would name another folder); when the current directory cannot be read at
// all (it was deleted), the path is relative to it: ".\Untitled.avi".
OdString DefaultVideoFilePath();
