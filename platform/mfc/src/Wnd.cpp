// CWnd, its message dispatch and the behaviour of the standard controls.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <map>

#include "Internal.h"
#include "mfc/QtBridge.h"
#include "win32/Text.h"

namespace mfc {

namespace {

// Attached windows by handle; one CWnd per handle, as MFC's permanent map.
// Never destroyed: CWnd objects of static storage detach from it when the
// process ends, in whatever order their destructors run.
std::map<HWND, CWnd*>& PermanentMap() {
  static auto* map = new std::map<HWND, CWnd*>;
  return *map;
}

LRESULT CopyText(const QString& text, WPARAM maxCount, LPARAM buffer) {
  auto* out = reinterpret_cast<LPWSTR>(buffer);
  if (out == nullptr || maxCount == 0) return 0;
  return static_cast<LRESULT>(win32::CopyWide(FromQString(text), out, static_cast<std::size_t>(maxCount)));
}

// A sorted Windows combo box orders its items without regard to case, by
// the user's collation, and puts a new item after the equal ones already
// listed.
int SortedInsertPosition(const QComboBox& combo, const QString& text) {
  const QString key = text.toCaseFolded();
  int position = combo.count();
  for (int i = 0; i < combo.count(); ++i) {
    if (QString::localeAwareCompare(key, combo.itemText(i).toCaseFolded()) < 0) {
      position = i;
      break;
    }
  }
  return position;
}

LRESULT EditProc(QLineEdit& edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      edit.setText(ToQString(reinterpret_cast<LPCWSTR>(lParam)));
      edit.setCursorPosition(0);
      return TRUE;
    case WM_GETTEXT:
      return CopyText(edit.text(), wParam, lParam);
    case WM_GETTEXTLENGTH:
      return edit.text().size();
    case EM_GETSEL: {
      int start = edit.cursorPosition();
      int end = start;
      if (edit.hasSelectedText()) {
        start = edit.selectionStart();
        end = start + edit.selectedText().size();
      }
      if (auto* out = reinterpret_cast<DWORD*>(wParam)) *out = static_cast<DWORD>(start);
      if (auto* out = reinterpret_cast<DWORD*>(lParam)) *out = static_cast<DWORD>(end);
      return MAKELONG(std::min(start, 0xFFFF), std::min(end, 0xFFFF));
    }
    case EM_SETSEL: {
      const int length = edit.text().size();
      int start = static_cast<int>(static_cast<LONG>(wParam));
      int end = static_cast<int>(static_cast<LONG>(lParam));
      if (start == -1) {
        edit.deselect();
        return 0;
      }
      if (end < 0 || end > length) end = length;
      start = std::clamp(start, 0, length);
      if (start == end) {
        edit.setCursorPosition(start);
      } else {
        // The caret goes to end, which may lie before start.
        edit.setSelection(start, end - start);
      }
      return 0;
    }
    case EM_SCROLLCARET:
      // A line edit keeps its cursor in view whenever it moves.
      return TRUE;
    case EM_REPLACESEL:
      edit.insert(ToQString(reinterpret_cast<LPCWSTR>(lParam)));
      return 0;
    case WM_PASTE:
      edit.paste();
      return 0;
    case WM_COPY:
      edit.copy();
      return 0;
    case WM_CUT:
      edit.cut();
      return 0;
    case WM_CLEAR:
      edit.del();
      return 0;
    default:
      return 0;
  }
}

LRESULT ComboProc(QComboBox& combo, DWORD style, UINT message, WPARAM wParam, LPARAM lParam) {
  const int index = static_cast<int>(static_cast<LONG>(wParam));
  switch (message) {
    case CB_ADDSTRING: {
      const QString text = ToQString(reinterpret_cast<LPCWSTR>(lParam));
      const int position = (style & CBS_SORT) != 0 ? SortedInsertPosition(combo, text) : combo.count();
      // Adding never changes which item is selected, as in Windows.
      const int selected = combo.currentIndex();
      combo.insertItem(position, text);
      if (selected < 0) {
        combo.setCurrentIndex(-1);
      } else if (position <= selected) {
        combo.setCurrentIndex(selected + 1);
      }
      return position;
    }
    case CB_INSERTSTRING: {
      const int position = index < 0 || index > combo.count() ? combo.count() : index;
      if (index > combo.count()) return CB_ERR;
      const int selected = combo.currentIndex();
      combo.insertItem(position, ToQString(reinterpret_cast<LPCWSTR>(lParam)));
      combo.setCurrentIndex(selected < 0 ? -1 : (position <= selected ? selected + 1 : selected));
      return position;
    }
    case CB_DELETESTRING:
      if (index < 0 || index >= combo.count()) return CB_ERR;
      combo.removeItem(index);
      return combo.count();
    case CB_RESETCONTENT:
      combo.clear();
      return 0;  // CB_OKAY
    case CB_GETCOUNT:
      return combo.count();
    case CB_GETCURSEL:
      return combo.currentIndex() >= 0 ? combo.currentIndex() : CB_ERR;
    case CB_SETCURSEL:
      if (index < 0 || index >= combo.count()) {
        combo.setCurrentIndex(-1);
        return CB_ERR;
      }
      combo.setCurrentIndex(index);
      return index;
    case CB_GETLBTEXTLEN:
      if (index < 0 || index >= combo.count()) return CB_ERR;
      return combo.itemText(index).size();
    case CB_GETLBTEXT: {
      if (index < 0 || index >= combo.count() || lParam == 0) return CB_ERR;
      const std::u16string text = FromQString(combo.itemText(index));
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      std::copy(text.begin(), text.end(), out);
      out[text.size()] = 0;
      return static_cast<LRESULT>(text.size());
    }
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
      const QString text = ToQString(reinterpret_cast<LPCWSTR>(lParam));
      const int count = combo.count();
      const int first = index < -1 || index >= count ? 0 : index + 1;
      for (int n = 0; n < count; ++n) {
        const int i = (first + n) % count;
        const QString item = combo.itemText(i);
        const bool match = message == CB_FINDSTRINGEXACT ? item.compare(text, Qt::CaseInsensitive) == 0
                                                         : item.startsWith(text, Qt::CaseInsensitive);
        if (match) {
          if (message == CB_SELECTSTRING) combo.setCurrentIndex(i);
          return i;
        }
      }
      return CB_ERR;
    }
    case WM_GETTEXT:
      return CopyText(combo.currentText(), wParam, lParam);
    case WM_GETTEXTLENGTH:
      return combo.currentText().size();
    case WM_SETTEXT:
      if ((style & 0x3) == CBS_DROPDOWNLIST) return CB_ERR;
      combo.setEditText(ToQString(reinterpret_cast<LPCWSTR>(lParam)));
      return TRUE;
    default:
      return 0;
  }
}

}  // namespace

void WindowBinding::Attach(CWnd& wnd, QWidget* widget, Kind kind, DWORD style) {
  const HWND handle = HandleOf(widget);
  wnd.m_hWnd = handle;
  wnd.m_widget = widget;
  wnd.m_kind = static_cast<int>(kind);
  wnd.m_style = style;
  PermanentMap()[handle] = &wnd;
}

void WindowBinding::Detach(CWnd& wnd) {
  if (wnd.m_hWnd != nullptr) {
    const auto it = PermanentMap().find(wnd.m_hWnd);
    if (it != PermanentMap().end() && it->second == &wnd) PermanentMap().erase(it);
  }
  wnd.m_hWnd = nullptr;
  wnd.m_widget = nullptr;
  wnd.m_kind = 0;
  wnd.m_style = 0;
}

HWND HandleOf(QWidget* widget) {
  if (widget == nullptr) return nullptr;
  // Windows are X windows; the controls inside a dialog are drawn by Qt in
  // their dialog's window, as Windows controls are windows of their own only
  // to Windows. They get handles of their own that no X window id can have.
  if (widget->isWindow() || widget->testAttribute(Qt::WA_NativeWindow)) return reinterpret_cast<HWND>(widget->winId());
  QVariant handle = widget->property("mfcHandle");
  if (!handle.isValid()) {
    static quint64 next = 0;
    handle = QVariant::fromValue<quint64>(0x7F00000000000000ull + ++next);
    widget->setProperty("mfcHandle", handle);
  }
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle.toULongLong()));
}

QWidget* WidgetOfHandle(HWND window) {
  CWnd* wnd = CWnd::FromHandlePermanent(window);
  return wnd != nullptr ? WindowBinding::Widget(*wnd) : nullptr;
}

int ControlId(const QWidget* widget) {
  const QVariant id = widget != nullptr ? widget->property("mfcControlId") : QVariant();
  return id.isValid() ? id.toInt() : 0;
}

}  // namespace mfc

using mfc::Kind;
using mfc::WindowBinding;
using win32::FromQString;
using win32::ToQString;

// ------------------------------------------------------------------- CWnd

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd != nullptr) WindowBinding::Detach(*this);
}

const AFX_MSGMAP* PASCAL CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
  return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd* CWnd::FromHandlePermanent(HWND window) {
  const auto it = mfc::PermanentMap().find(window);
  return it != mfc::PermanentMap().end() ? it->second : nullptr;
}

bool CWnd::dispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const bool command = message == WM_COMMAND;
  const UINT code = HIWORD(wParam);
  const UINT id = LOWORD(wParam);
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->nMessage != message) continue;
      if (command) {
        if (entry->nSig != AfxSig_vv || entry->nCode != code || id < entry->nID || id > entry->nLastID) continue;
        (this->*(entry->pfn))();
        result = 0;
        return true;
      }
      if (entry->nSig == AfxSig_lwl) {
        result = (this->*(entry->pfnMessage))(wParam, lParam);
        return true;
      }
    }
  }
  return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) return 0;
    return DefWindowProc(message, wParam, lParam);
  }
  LRESULT result = 0;
  if (dispatchMapped(message, wParam, lParam, result)) return result;
  return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  return dispatchMapped(WM_COMMAND, wParam, lParam, result) ? TRUE : FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_widget == nullptr) return 0;
  switch (static_cast<Kind>(m_kind)) {
    case Kind::Edit:
      return mfc::EditProc(*static_cast<QLineEdit*>(m_widget), message, wParam, lParam);
    case Kind::ComboBox:
      return mfc::ComboProc(*static_cast<QComboBox*>(m_widget), m_style, message, wParam, lParam);
    case Kind::Button:
      if (message == BM_CLICK) {
        static_cast<QPushButton*>(m_widget)->click();
        return 0;
      }
      [[fallthrough]];
    case Kind::Static:
    case Kind::Dialog:
    case Kind::Other:
    case Kind::None: {
      QString current;
      if (auto* button = qobject_cast<QPushButton*>(m_widget)) {
        current = button->text();
      } else if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        current = label->text();
      } else {
        current = m_widget->windowTitle();
      }
      if (message == WM_GETTEXT) return mfc::CopyText(current, wParam, lParam);
      if (message == WM_GETTEXTLENGTH) return current.size();
      if (message == WM_SETTEXT) {
        const QString text = ToQString(reinterpret_cast<LPCWSTR>(lParam));
        if (auto* button = qobject_cast<QPushButton*>(m_widget)) {
          button->setText(text);
        } else if (auto* label = qobject_cast<QLabel*>(m_widget)) {
          label->setText(text);
        } else {
          m_widget->setWindowTitle(text);
        }
        return TRUE;
      }
      if (message == WM_CLOSE && static_cast<Kind>(m_kind) == Kind::Dialog) {
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      }
      return 0;
    }
  }
  return 0;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_hWnd == nullptr) return 0;
  return WindowProc(message, wParam, lParam);
}

void CWnd::SetWindowText(LPCWSTR text) {
  SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : u""));
}

int CWnd::GetWindowText(LPWSTR text, int maxCount) const {
  if (maxCount <= 0 || text == nullptr) return 0;
  return static_cast<int>(
      const_cast<CWnd*>(this)->SendMessage(WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

void CWnd::GetWindowText(CString& text) const {
  const int length = GetWindowTextLength();
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowText(buffer.data(), length + 1);
  buffer.resize(static_cast<std::size_t>(std::max(copied, 0)));
  text = CString(std::move(buffer));
}

int CWnd::GetWindowTextLength() const {
  return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXTLENGTH));
}

CWnd* CWnd::GetDlgItem(int id) const {
  if (m_widget == nullptr) return nullptr;
  for (QWidget* child : m_widget->findChildren<QWidget*>()) {
    if (mfc::ControlId(child) == id && child->property("mfcControl").toBool()) {
      return FromHandlePermanent(mfc::HandleOf(child));
    }
  }
  return nullptr;
}

int CWnd::GetDlgCtrlID() const { return mfc::ControlId(m_widget); }

CWnd* CWnd::GetParent() const {
  if (m_widget == nullptr) return nullptr;
  for (QWidget* parent = m_widget->parentWidget(); parent != nullptr; parent = parent->parentWidget()) {
    if (CWnd* wnd = FromHandlePermanent(mfc::HandleOf(parent))) return wnd;
  }
  return nullptr;
}

DWORD CWnd::GetStyle() const { return m_style | (m_widget != nullptr && m_widget->isEnabled() ? 0 : WS_DISABLED); }

BOOL CWnd::EnableWindow(BOOL enable) {
  if (m_widget == nullptr) return FALSE;
  const bool wasDisabled = !m_widget->isEnabled();
  m_widget->setEnabled(enable != FALSE);
  return wasDisabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const { return m_widget != nullptr && m_widget->isEnabled() ? TRUE : FALSE; }

CWnd* CWnd::SetFocus() {
  if (m_widget != nullptr) m_widget->setFocus(Qt::OtherFocusReason);
  return nullptr;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (parent == nullptr || m_hWnd != nullptr) return FALSE;
  CWnd* current = parent->GetDlgItem(static_cast<int>(id));
  if (current == nullptr) return FALSE;
  QWidget* widget = current->m_widget;
  const Kind kind = static_cast<Kind>(current->m_kind);
  const DWORD style = current->m_style;
  WindowBinding::Detach(*current);
  WindowBinding::Attach(*this, widget, kind, style);
  return TRUE;
}

HWND CWnd::Detach() {
  const HWND handle = m_hWnd;
  WindowBinding::Detach(*this);
  return handle;
}

// ------------------------------------------------------ data exchange

void CDataExchange::Fail() { AfxThrowUserException(); }

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;
  if (!control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd)) dx->Fail();
}

// ----------------------------------------------------------------- CEdit

IMPLEMENT_DYNAMIC(CEdit, CWnd)

void CEdit::GetSel(int& start, int& end) const {
  DWORD first = 0;
  DWORD last = 0;
  const_cast<CEdit*>(this)->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}

DWORD CEdit::GetSel() const { return static_cast<DWORD>(const_cast<CEdit*>(this)->SendMessage(EM_GETSEL)); }

void CEdit::SetSel(int start, int end, BOOL noScroll) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<LONG_PTR>(start)), end);
  if (!noScroll) SendMessage(EM_SCROLLCARET);
}

void CEdit::ReplaceSel(LPCWSTR text, BOOL canUndo) {
  SendMessage(EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
}

// -------------------------------------------------------------- CComboBox

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

int CComboBox::AddString(LPCWSTR text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
int CComboBox::GetCount() const { return static_cast<int>(const_cast<CComboBox*>(this)->SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(const_cast<CComboBox*>(this)->SendMessage(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int index) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(static_cast<LONG_PTR>(index))));
}
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }

int CComboBox::GetLBText(int index, CString& text) const {
  auto* self = const_cast<CComboBox*>(this);
  const LRESULT length = self->SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(static_cast<LONG_PTR>(index)));
  if (length < 0) {
    text.Empty();
    return CB_ERR;
  }
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  self->SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(static_cast<LONG_PTR>(index)),
                    reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(length));
  text = CString(std::move(buffer));
  return static_cast<int>(length);
}

int CComboBox::FindStringExact(int startAfter, LPCWSTR text) const {
  return static_cast<int>(const_cast<CComboBox*>(this)->SendMessage(
      CB_FINDSTRINGEXACT, static_cast<WPARAM>(static_cast<LONG_PTR>(startAfter)), reinterpret_cast<LPARAM>(text)));
}

namespace mfc {
QWidget* WidgetOf(const CWnd* wnd) { return wnd != nullptr ? WindowBinding::Widget(*wnd) : nullptr; }
QWidget* WidgetOf(HWND window) { return WidgetOfHandle(window); }
}  // namespace mfc
