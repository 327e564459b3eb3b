// What the layer's sources share: the kinds of windows, the handle map and
// the Qt side of a CWnd.
#pragma once

#include <QString>

#include "afxwin.h"
#include "mfc/ModalDriver.h"
#include "win32/QtText.h"

class QWidget;

namespace mfc {

enum class Kind { None = 0, Dialog, Static, Edit, Button, ComboBox, Other };

using win32::FromQString;
using win32::ToQString;

// Access to CWnd's private binding to its widget.
class WindowBinding {
 public:
  static void Attach(CWnd& wnd, QWidget* widget, Kind kind, DWORD style);
  static void Detach(CWnd& wnd);
  static QWidget* Widget(const CWnd& wnd) { return wnd.m_widget; }
  static Kind KindOf(const CWnd& wnd) { return static_cast<Kind>(wnd.m_kind); }
  static LRESULT Dispatch(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return wnd.WindowProc(message, wParam, lParam);
  }
  static void SetModal(CDialog& dialog, void* modal) { dialog.m_modal = modal; }
  static void* Modal(const CDialog& dialog) { return dialog.m_modal; }
  static bool Ended(const CDialog& dialog) { return dialog.m_ended; }
  static int Result(const CDialog& dialog) { return dialog.m_nModalResult; }
  static void Reset(CDialog& dialog) {
    dialog.m_ended = false;
    dialog.m_nModalResult = -1;
  }
};

HWND HandleOf(QWidget* widget);
QWidget* WidgetOfHandle(HWND window);
// The control's id as the dialog template gave it (the "mfcControlId" property).
int ControlId(const QWidget* widget);

// Turns a Qt key event's key into a Windows virtual-key code; keypad keys
// (Qt::KeypadModifier) get the keypad codes. 0 for a key with no code.
int VirtualKeyFromQt(int qtKey, bool keypad);

// The hook of mfc/ModalDriver.h, or an empty function.
const ModalHook* CurrentModalHook();

// True on the Qt application's own thread, the only one that may show
// windows; DoModal elsewhere fails with -1.
bool OnGuiThread();

// Shows a window for a script and lets the X server map it before the
// script acts: a window hidden again before it was mapped leaves Qt focusing
// a window that is gone. Bounded, so a server that never maps it costs two
// seconds, not a hang.
void ShowForScript(QWidget* window);

// Renders a widget into a PNG file.
bool SaveWidgetImage(QWidget* widget, const std::u16string& path);

}  // namespace mfc
