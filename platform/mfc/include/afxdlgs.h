// The MFC common dialogs the module uses: the save-file dialog.
#pragma once

#include "afxwin.h"

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000

// Only the save dialog (openFileDialog FALSE) is supported; an open dialog's
// DoModal returns IDCANCEL. The filter is the MFC form "text|pattern|...||".
// The default extension is appended to a chosen name that has none; a
// leading "*." or "." in it is ignored, so "*.avi" and "avi" both add ".avi".
// With OFN_OVERWRITEPROMPT a person is asked before an existing file is
// chosen; a scripted run (see mfc/ModalDriver.h) takes the name as given.
class MFC_EXPORT CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr, CWnd* parent = nullptr,
              DWORD size = 0, BOOL vistaStyle = TRUE);
  ~CFileDialog() override;

  INT_PTR DoModal() override;
  // The chosen file's full path, folders separated by "/".
  CString GetPathName() const;
  CString GetFileName() const;

 private:
  BOOL m_openFileDialog;
  CString m_defaultExtension;
  CString m_fileName;
  DWORD m_flags;
  CString m_filter;
  CWnd* m_parent;
  CString m_chosen;
};
