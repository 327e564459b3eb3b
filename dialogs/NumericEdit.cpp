#include "dialogs/NumericEdit.h"

#include <cstring>
#include <string_view>

#include "base/InitOrder.h"
#include "win32/Gdi.h"
#include "win32/Text.h"
#include "win32/UserInput.h"

WCHAR g_decimalSeparator = u'.';
WCHAR g_negativeSign = u'-';

namespace {

// Reads the two characters into a buffer of two: a setting longer than one
// character does not fit, the call fails and the default stays.
struct LocaleCharacters {
  LocaleCharacters() {
    WCHAR buffer[2] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 2) != 0) g_decimalSeparator = buffer[0];
    WCHAR sign[2] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, sign, 2) != 0) g_negativeSign = sign[0];
  }
};

LocaleCharacters g_localeCharacters PCVR_INIT_PRIORITY(PCVR_INIT_LOCALE);

// Nonzero: the message is swallowed. The beep is the only word the control
// says about refused input.
constexpr BOOL kSwallow = TRUE;

BOOL Refuse() {
  MessageBeep(MB_ICONEXCLAMATION);
  return kSwallow;
}

bool IsDigit(WCHAR ch) { return ch >= u'0' && ch <= u'9'; }

}  // namespace

BEGIN_MESSAGE_MAP(CNumericEdit, CEdit)
ON_MESSAGE(WM_PASTE, OnPaste)
END_MESSAGE_MAP()

CNumericEdit::CNumericEdit() : m_allowNegative(true), m_decimalPlaces(6) {}

CNumericEdit::~CNumericEdit() = default;

BOOL CNumericEdit::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return CWnd::PreTranslateMessage(msg);
  const UINT key = static_cast<UINT>(msg->wParam);

  if ((key == 'C' || key == 'V' || key == 'X') && GetKeyState(VK_CONTROL) < 0) return CWnd::PreTranslateMessage(msg);

  // With Shift held, a main-row digit key types the row's symbol ("!", "@",
  // ...) on the common layouts: swallowed like the other symbol keys.
  if (key >= '0' && key <= '9' && GetKeyState(VK_SHIFT) < 0) return kSwallow;

  const bool digit = (key >= '0' && key <= '9') || (key >= VK_NUMPAD0 && key <= VK_NUMPAD9);
  if (digit || key == VK_DECIMAL) {
    CString text;
    GetWindowText(text);
    if (text.IsEmpty()) return CWnd::PreTranslateMessage(msg);
    if (key == VK_DECIMAL && m_decimalPlaces == 0) return Refuse();
    const int separator = text.Find(g_decimalSeparator);
    int start = 0;
    int end = 0;
    GetSel(start, end);
    const bool caretOnly = start == end;
    // A second separator is refused wherever it would go: the one there is
    // stays unless the selection replaces it.
    if (key == VK_DECIMAL && separator >= 0 && (caretOnly || separator < start || separator >= end)) return Refuse();
    if (digit && separator >= 0 && caretOnly && start > separator &&
        text.GetLength() - separator - 1 >= static_cast<int>(m_decimalPlaces)) {
      return Refuse();
    }
    // Nothing may be typed in front of the sign.
    if (start == 0 && caretOnly && text[0] == g_negativeSign) return Refuse();
    return CWnd::PreTranslateMessage(msg);
  }

  if (key == VK_SUBTRACT) {
    if (!m_allowNegative) return Refuse();
    CString text;
    GetWindowText(text);
    if (text.IsEmpty()) return CWnd::PreTranslateMessage(msg);
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (start != 0) return Refuse();
    if ((text[0] == g_decimalSeparator || text[0] == g_negativeSign) && start == end) return Refuse();
    return CWnd::PreTranslateMessage(msg);
  }

  if (key == VK_SPACE) return Refuse();
  // Editing, navigation and system keys work as usual.
  if ((key >= 0x01 && key <= 0x40) || (key >= 0x5B && key <= 0x5F) || (key >= 0x70 && key <= 0xB9) ||
      (key >= 0xE5 && key <= 0xFE)) {
    return CWnd::PreTranslateMessage(msg);
  }
  // Letters, the other keypad operators and punctuation: silently nothing.
  return kSwallow;
}

CString CNumericEdit::GetClipboardNumber() {
  CString result;
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(m_hWnd)) return result;
  std::u16string text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const auto* chars = static_cast<const char*>(GlobalLock(data))) {
      text = win32::FromUtf8(std::string_view(chars, strnlen(chars, GlobalSize(data))));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();

  std::size_t at = 0;
  while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
  std::u16string number;
  if (at < text.size() && text[at] == g_negativeSign) {
    if (!m_allowNegative) return result;
    number += text[at++];
  }
  bool separatorTaken = false;
  for (; at < text.size(); ++at) {
    const WCHAR ch = text[at];
    if (IsDigit(ch)) {
      number += ch;
    } else if (ch == g_decimalSeparator && m_decimalPlaces != 0 && !separatorTaken) {
      number += ch;
      separatorTaken = true;
    } else {
      break;
    }
  }
  return CString(std::move(number));
}

LRESULT CNumericEdit::OnPaste(WPARAM, LPARAM) {
  CString number = GetClipboardNumber();
  if (number.IsEmpty()) {
    Refuse();
    return 0;
  }
  CString text;
  GetWindowText(text);
  int start = 0;
  int end = 0;
  GetSel(start, end);
  if (number[0] == g_negativeSign && start != 0) {
    Refuse();
    return 0;
  }
  if (!text.IsEmpty() && text[0] == g_negativeSign && start == end) {
    Refuse();
    return 0;
  }
  const int textSeparator = text.Find(g_decimalSeparator);
  const int numberSeparator = number.Find(g_decimalSeparator);
  // A separator outside the replaced range stays, so the number brings none:
  // one at the selection's end position is kept as well.
  if (m_decimalPlaces != 0 && textSeparator >= 0 && numberSeparator >= 0 &&
      (textSeparator < start || textSeparator >= end)) {
    number = number.Left(numberSeparator);
  }
  CString pasted = text.Left(start) + number + text.Mid(end);
  int caret = start + number.GetLength();
  const int separator = pasted.Find(g_decimalSeparator);
  if (separator >= 0 && pasted.GetLength() - separator - 1 > static_cast<int>(m_decimalPlaces)) {
    pasted = pasted.Left(separator + 1 + static_cast<int>(m_decimalPlaces));
  }
  if (caret > pasted.GetLength()) caret = pasted.GetLength();
  SetWindowText(pasted);
  SetSel(caret, caret);
  return 0;
}
