// For hosts and tests only (module code never includes Qt): the Qt widget
// behind an MFC window.
#pragma once

#include "afxwin.h"

class QWidget;

namespace mfc {
// The widget a CWnd or a window handle is bound to, or null.
MFC_EXPORT QWidget* WidgetOf(const CWnd* wnd);
MFC_EXPORT QWidget* WidgetOf(HWND window);
}  // namespace mfc
