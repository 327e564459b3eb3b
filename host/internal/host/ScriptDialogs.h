// Script lines that drive a module's modal dialog while it is open.
#pragma once

#include "host/HostApi.h"

namespace host {

class Console;
class ScriptInput;

// While a dialog is open, the script's next lines are read as:
//   dialog set ID TEXT      an edit control's text
//   dialog select ID TEXT   a combo-box item, chosen as a user clicks it
//   dialog press ID         a button (IDOK 1, IDCANCEL 2; 1148 names the
//                           save dialog's file-name field for "set")
//   dialog show [FILE.png]  prints the controls; saves a picture when named
//   dialog close            closes the dialog as its close box does
// plus the script words the shell's lines know too ("echo TEXT", "wait MS",
// comments), until a press or close ends it. Any other line ("quit" as well)
// is reported and skipped; the end of the script closes the
// dialog (a cancel), so a script never waits for a person.
HOST_EXPORT void InstallScriptDialogs(Console& console, ScriptInput& script);
HOST_EXPORT void RemoveScriptDialogs();

}  // namespace host
