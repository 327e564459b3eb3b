#include "recording/RecordingDialog.h"

// The options dialog is still being built: until it lands the recording
// cannot be configured, and START ends as if the dialog was cancelled.
ResourceHandleScope::ResourceHandleScope(HINSTANCE) : m_saved(nullptr) {}
ResourceHandleScope::~ResourceHandleScope() = default;
HWND HostMainWindow() { return nullptr; }
bool ChooseRecordingParams(const std::vector<CaptureTarget>&, VideoRecordingParams&) { return false; }
