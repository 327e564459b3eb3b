// The recording command's use of the MFC side: the resource handle, the
// host's main window and the options dialog.
#pragma once

#include <vector>

#include "base/ResourceHandleScope.h"
#include "dialogs/VideoRecordingParams.h"
#include "win32/WinTypes.h"

// The main window of the current MFC thread, or null.
HWND HostMainWindow();

// Shows the recording options dialog with these windows; true and the
// chosen parameters when it was closed with OK.
bool ChooseRecordingParams(const std::vector<CaptureTarget>& targets, VideoRecordingParams& params);
