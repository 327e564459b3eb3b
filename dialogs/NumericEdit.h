// An edit control that takes only a number: an optional leading negative
// sign, decimal digits and at most one decimal separator followed by a
// limited number of digits, typed or pasted. Refused input beeps.
#pragma once

#include "afxwin.h"

// The user's decimal separator and negative sign, read once when the module
// is loaded ("." and "-" when the locale gives something longer than one
// character). Written only then; read by every CNumericEdit.
extern WCHAR g_decimalSeparator;
extern WCHAR g_negativeSign;

class CNumericEdit : public CEdit {
 public:
  CNumericEdit();
  ~CNumericEdit() override;

  // Filters WM_KEYDOWN by virtual-key code before the control sees it;
  // nonzero when the key is swallowed.
  BOOL PreTranslateMessage(MSG* msg) override;

  // The leading number of the clipboard's text (after blanks: the sign if
  // allowed, digits, and the first separator if decimals are allowed), or
  // an empty string.
  CString GetClipboardNumber();

  bool m_allowNegative;
  unsigned short m_decimalPlaces;

 protected:
  // Inserts the clipboard number in place of the selection; never lets the
  // control's own paste run.
  afx_msg LRESULT OnPaste(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};
