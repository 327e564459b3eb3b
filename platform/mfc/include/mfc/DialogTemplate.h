// Dialog templates as a module keeps them among its resources: a dialog's
// caption, style, font and size and its controls in tab order, positions and
// sizes in dialog units. A module registers its templates under its own
// handle when it is loaded; CDialog finds them by (resource handle, id).
#pragma once

#include <cstddef>

#include "mfc/MfcExport.h"
#include "win32/WinTypes.h"

struct DialogItemTemplate {
  WORD id;
  LPCWSTR className;  // u"STATIC", u"EDIT", u"BUTTON", u"COMBOBOX"
  LPCWSTR text;
  DWORD style;  // WS_CHILD | WS_VISIBLE | class styles
  short x;
  short y;
  short cx;
  short cy;
};

struct DialogTemplate {
  UINT id;
  DWORD style;  // WS_POPUP | WS_CAPTION | ... | DS_SETFONT
  short cx;
  short cy;
  LPCWSTR caption;
  LPCWSTR fontName;
  WORD pointSize;
  const DialogItemTemplate* items;
  std::size_t itemCount;
};

extern "C" {
// The templates must outlive the registration. Thread-safe.
MFC_EXPORT void RegisterDialogTemplates(HMODULE module, const DialogTemplate* templates, std::size_t count);
MFC_EXPORT void UnregisterDialogTemplates(HMODULE module);
// Null when the module registered no template of that id.
MFC_EXPORT const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id);
}
