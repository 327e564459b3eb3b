// Driving modal dialogs without a person. A host that runs scripts, and the
// tests, install a hook; every modal dialog (CDialog::DoModal and
// CFileDialog::DoModal) calls it once the dialog is built, initialised and
// shown, before it waits for the user. The hook acts on the dialog through a
// ModalDriver the way a person would: the notifications and handlers run as
// they do for mouse and keyboard input. When the hook returns with the
// dialog still open, the dialog waits for a person as usual.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mfc/MfcExport.h"
#include "win32/WinTypes.h"

namespace mfc {

class MFC_EXPORT ModalDriver {
 public:
  struct Control {
    int id = 0;
    std::u16string className;           // "STATIC", "EDIT", "BUTTON", "COMBOBOX"
    std::u16string text;                // window text; a combo box's shown item
    std::vector<std::u16string> items;  // a combo box's list, in shown order
    int selected = -1;                  // a combo box's selected index
  };

  virtual ~ModalDriver();

  // The id of the dialog template, or 0 for the save-file dialog.
  virtual UINT templateId() const = 0;
  virtual std::u16string caption() const = 0;
  virtual std::vector<Control> controls() const = 0;
  // An edit control's text, as if typed over the whole field (no key
  // filtering: the text is set as a paste-free WM_SETTEXT). In the save-file
  // dialog the file-name field is control 1148. False for an unknown id or
  // a read-only edit control, which a person cannot type into either.
  virtual bool setText(int id, const std::u16string& text) = 0;
  // Chooses the combo-box item whose text equals text, as a user's click
  // does, so CBN_SELCHANGE reaches the dialog. False when no item matches.
  virtual bool select(int id, const std::u16string& text) = 0;
  // Clicks a push button (IDOK 1, IDCANCEL 2 are the dialog's buttons).
  virtual bool press(int id) = 0;
  // Ends the dialog with a result, as closing it does (IDCANCEL).
  virtual void close() = 0;
  virtual bool ended() const = 0;
  // What DoModal returns once ended: IDOK, IDCANCEL, or -1.
  virtual int result() const = 0;
  // Renders the dialog as it looks now into a PNG file.
  virtual bool saveImage(const std::u16string& pngPath) const = 0;
};

using ModalHook = std::function<void(ModalDriver&)>;

// Installs the hook for every later modal dialog (an empty hook removes it)
// and returns the one it replaces. Main thread only.
MFC_EXPORT ModalHook SetModalHook(ModalHook hook);

}  // namespace mfc
