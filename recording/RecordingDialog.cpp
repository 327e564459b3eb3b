#include "recording/RecordingDialog.h"

#include "afxwin.h"
#include "dialogs/DlgVideoRecodingParams.h"

HWND HostMainWindow() {
  CWinThread* thread = AfxGetThread();
  return thread != nullptr && thread->m_pMainWnd != nullptr ? thread->m_pMainWnd->GetSafeHwnd() : nullptr;
}

bool ChooseRecordingParams(const std::vector<CaptureTarget>& targets, VideoRecordingParams& params) {
  CDlgVideoRecodingParams dialog(&targets);
  if (dialog.DoModal() != IDOK) return false;
  params = dialog.m_params;
  return true;
}
