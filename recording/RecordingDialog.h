// The recording command's use of the MFC side: the resource handle, the
// host's main window and the options dialog.
#pragma once

#include <vector>

#include "dialogs/VideoRecordingParams.h"
#include "win32/WinTypes.h"

// Switches the MFC module state's resource handle for the life of the
// scope, and restores it on every way out.
class ResourceHandleScope {
 public:
  explicit ResourceHandleScope(HINSTANCE resources);
  ~ResourceHandleScope();
  ResourceHandleScope(const ResourceHandleScope&) = delete;
  ResourceHandleScope& operator=(const ResourceHandleScope&) = delete;

 private:
  HINSTANCE m_saved;
};

// The main window of the current MFC thread, or null.
HWND HostMainWindow();

// Shows the recording options dialog with these windows; true and the
// chosen parameters when it was closed with OK.
bool ChooseRecordingParams(const std::vector<CaptureTarget>& targets, VideoRecordingParams& params);
