// The MFC subset the module uses, on Qt 5 Widgets: CString, CWnd with
// message maps, CDialog built from registered dialog templates, CEdit,
// CComboBox, module state and resource handle, AfxGetThread, run-time class
// records and TRY/CATCH. Windows names, signatures and results throughout; no
// Qt type appears here. Every window function runs on the main (GUI) thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mfc/MfcExport.h"
#include "win32/Messages.h"
#include "win32/UserInput.h"
#include "win32/WinTypes.h"

class QWidget;

using INT_PTR = std::intptr_t;
using LPCTSTR = LPCWSTR;
#define AFXAPI
#define PASCAL
#define afx_msg

// Window messages.
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_COMMAND 0x0111
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_SCROLLCARET 0x00B7
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define CB_GETEDITSEL 0x0140
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRINGEXACT 0x0158
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define BM_CLICK 0x00F5

// Notification codes (high word of WM_COMMAND's wParam).
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define EN_CHANGE 0x0300

// Window and control styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define DS_FIXEDSYS 0x0008L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define SS_LEFT 0x00000000L
#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L
#define ES_READONLY 0x0800L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_SORT 0x0100L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// Virtual-key codes the key messages carry.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_LWIN 0x5B
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F24 0x87
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_8 0xDF

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) \
  ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))

// ---------------------------------------------------------------- CString

class MFC_EXPORT CString {
 public:
  CString() = default;
  CString(LPCWSTR text) : m_text(text != nullptr ? text : u"") {}
  CString(LPCWSTR text, int length) : m_text(text, static_cast<std::size_t>(length)) {}
  CString(std::u16string text) : m_text(std::move(text)) {}
  CString(std::u16string_view text) : m_text(text) {}

  operator LPCWSTR() const { return m_text.c_str(); }
  LPCWSTR GetString() const { return m_text.c_str(); }
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  WCHAR GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }
  WCHAR operator[](int index) const { return GetAt(index); }
  // Index of the first ch at or after start, or -1.
  int Find(WCHAR ch, int start = 0) const;
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString& operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
  }
  CString& operator+=(WCHAR ch) {
    m_text += ch;
    return *this;
  }
  friend CString operator+(CString a, const CString& b) { return a += b; }
  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  const std::u16string& str() const { return m_text; }

 private:
  std::u16string m_text;
};

// --------------------------------------------------- run-time class records

class CObject;

struct MFC_EXPORT CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* (*m_pfnGetBaseClass)();
  CObject* CreateObject() const { return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr; }
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)            \
 public:                                       \
  static CRuntimeClass* PASCAL GetThisClass(); \
  CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                     \
  CRuntimeClass* PASCAL class_name::GetThisClass() {                                       \
    static CRuntimeClass record = {#class_name, sizeof(class class_name), 0xFFFF, nullptr, \
                                   &base_class_name::GetThisClass};                        \
    return &record;                                                                        \
  }                                                                                        \
  CRuntimeClass* class_name::GetRuntimeClass() const { return class_name::GetThisClass(); }

class MFC_EXPORT CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  static CRuntimeClass* PASCAL GetThisClass();
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

// ------------------------------------------------------------ exceptions

// MFC exceptions are thrown as pointers and caught by pointer. Inside
// TRY/CATCH the caught exception is deleted when the CATCH block ends unless
// the block throws it on; elsewhere whoever catches it calls Delete().
class MFC_EXPORT CException : public CObject {
  DECLARE_DYNAMIC(CException)
 public:
  CException() = default;
  ~CException() override;
  virtual BOOL GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext = nullptr) const;
  void Delete();
};

class MFC_EXPORT CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)
 public:
  BOOL GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext = nullptr) const override;
};

class MFC_EXPORT CUserException : public CException {
  DECLARE_DYNAMIC(CUserException)
};

class MFC_EXPORT CInvalidArgException : public CException {
  DECLARE_DYNAMIC(CInvalidArgException)
 public:
  BOOL GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext = nullptr) const override;
};

[[noreturn]] MFC_EXPORT void AfxThrowMemoryException();
[[noreturn]] MFC_EXPORT void AfxThrowUserException();
[[noreturn]] MFC_EXPORT void AfxThrowInvalidArgException();

namespace mfc {
// Deletes the exception caught by a CATCH block when the block ends, unless
// it was thrown on (THROW_LAST) or deleted already.
class MFC_EXPORT CatchScope {
 public:
  explicit CatchScope(CException* caught);
  ~CatchScope();
  CatchScope(const CatchScope&) = delete;
  CatchScope& operator=(const CatchScope&) = delete;
  void rethrowing() { m_caught = nullptr; }
  static bool Release(CException* exception);  // for Delete(): true if a scope held it

 private:
  CException* m_caught;
  CatchScope* m_outer;
};
}  // namespace mfc

#define TRY try {
#define CATCH(class_name, e) \
  }                          \
  catch (class_name * e) {   \
    ::mfc::CatchScope _afxCatchScope(e);
#define AND_CATCH(class_name, e) CATCH(class_name, e)
#define END_CATCH }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) CATCH(CException, e)
#define END_CATCH_ALL }
#define THROW(e) throw e
#define THROW_LAST()             \
  do {                           \
    _afxCatchScope.rethrowing(); \
    throw;                       \
  } while (false)

// ----------------------------------------------------------- message maps

class CCmdTarget;
class CWnd;
using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PMSGW = LRESULT (CWnd::*)(WPARAM, LPARAM);

enum AfxSig : UINT {
  AfxSig_end = 0,
  AfxSig_vv,   // void handler(): WM_COMMAND notifications
  AfxSig_lwl,  // LRESULT handler(WPARAM, LPARAM): ON_MESSAGE
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  UINT nLastID;
  UINT nSig;
  AFX_PMSG pfn;
  AFX_PMSGW pfnMessage;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                          \
 protected:                                            \
  static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() {                          \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, AfxSig_end, nullptr, nullptr }                                                  \
  }                                                                                             \
  ;                                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                                       \
  {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::memberFxn), \
   nullptr},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_MESSAGE(message, memberFxn) \
  {(UINT)(message), 0, 0, 0, AfxSig_lwl, nullptr, static_cast<AFX_PMSGW>(&ThisClass::memberFxn)},

class MFC_EXPORT CCmdTarget : public CObject {
 public:
  static CRuntimeClass* PASCAL GetThisClass();
  CRuntimeClass* GetRuntimeClass() const override;

 protected:
  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ------------------------------------------------------------------- CWnd

class CDataExchange;
namespace mfc {
class WindowBinding;
}

class MFC_EXPORT CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)
 public:
  HWND m_hWnd = nullptr;

  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  // The CWnd attached to a window handle, or null.
  static CWnd* PASCAL FromHandlePermanent(HWND window);
  static CWnd* PASCAL FromHandle(HWND window) { return FromHandlePermanent(window); }

  // Sent straight to this window's procedure, as SendMessage does for a
  // window of the calling thread. 0 for a window that is not attached.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void SetWindowText(LPCWSTR text);
  int GetWindowText(LPWSTR text, int maxCount) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  DWORD GetStyle() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  CWnd* SetFocus();
  // Attaches this object to a control of a dialog, which then sends its
  // messages to this object's procedure (its message map, then the control's
  // own behaviour).
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND Detach();

  virtual BOOL PreTranslateMessage(MSG* msg);

 protected:
  // Message map first, then DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The control's own behaviour (edit, combo box, button, static).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND: TRUE when the message map handled the notification.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual void DoDataExchange(CDataExchange* dx);

  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  friend class mfc::WindowBinding;
  friend class CDialog;
  bool dispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  QWidget* m_widget = nullptr;
  int m_kind = 0;
  DWORD m_style = 0;
};

// ------------------------------------------------------ dialog data exchange

class MFC_EXPORT CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  // Throws CUserException, as a failed exchange does.
  [[noreturn]] void Fail();
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Attaches control to the dialog's control id on the first exchange; a
// missing control fails the exchange.
MFC_EXPORT void AFXAPI DDX_Control(CDataExchange* dx, int id, CWnd& control);

// ---------------------------------------------------------------- CDialog

class MFC_EXPORT CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Builds the dialog from template m_nIDHelp of the current resource handle,
  // runs it and returns the value given to EndDialog: IDOK, IDCANCEL, or -1
  // when the dialog cannot be created (no template, no application, a
  // failed exchange).
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  BOOL PreTranslateMessage(MSG* msg) override;

  UINT m_nIDHelp;

 protected:
  virtual void OnOK();
  virtual void OnCancel();
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  friend class mfc::WindowBinding;
  CWnd* m_pParentWnd;
  int m_nModalResult = -1;
  bool m_ended = false;
  void* m_modal = nullptr;  // the running dialog's window state
};

// ----------------------------------------------------------------- CEdit

class MFC_EXPORT CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
 public:
  // Selection start and end; a bare caret has start == end.
  void GetSel(int& start, int& end) const;
  DWORD GetSel() const;
  void SetSel(int start, int end, BOOL noScroll = FALSE);
  void ReplaceSel(LPCWSTR text, BOOL canUndo = FALSE);
};

// -------------------------------------------------------------- CComboBox

class MFC_EXPORT CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  int AddString(LPCWSTR text);
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);
  void ResetContent();
  int GetLBText(int index, CString& text) const;
  int FindStringExact(int startAfter, LPCWSTR text) const;
};

// ------------------------------------------------ module state and thread

struct MFC_EXPORT AFX_MODULE_STATE {
  HINSTANCE m_hCurrentInstanceHandle = nullptr;
  HINSTANCE m_hCurrentResourceHandle = nullptr;
};

MFC_EXPORT AFX_MODULE_STATE* AFXAPI AfxGetModuleState();
// The handle dialog templates are looked up under; the executable's until a
// module sets its own.
MFC_EXPORT HINSTANCE AFXAPI AfxGetResourceHandle();
MFC_EXPORT void AFXAPI AfxSetResourceHandle(HINSTANCE resources);
MFC_EXPORT HINSTANCE AFXAPI AfxGetInstanceHandle();

class MFC_EXPORT CWinThread : public CCmdTarget {
 public:
  CWinThread();
  ~CWinThread() override;
  // The application's main window on the GUI thread (the first top-level
  // main window of the Qt application), null on other threads and when
  // there is none. Refreshed by AfxGetThread.
  CWnd* m_pMainWnd = nullptr;
};

// The calling thread's MFC thread object. Never null.
MFC_EXPORT CWinThread* AFXAPI AfxGetThread();
MFC_EXPORT CWnd* AFXAPI AfxGetMainWnd();
