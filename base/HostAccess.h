// How the module reaches the host. Every call looks the host up afresh;
// nothing is cached.
#pragma once

#include "host/HostApi.h"
#include "sdk/OdString.h"
#include "win32/WinTypes.h"

// How the first step of the lookup asks the executable: for the main
// library's instance (GetMainDllInstance; host services) or its name
// (GetMainDllNameW; command registration).
enum class MainModuleQuery { kInstance, kName };

// The host's main library: what the executable answers, when it exports the
// function asked for; else the loaded "zuvedi.dll"; else what
// "HxAcApp.dll"'s GetMainDllInstanceEx returns; null when none answers.
HMODULE FindHostMainModule(MainModuleQuery query = MainModuleQuery::kInstance);

// Host service 2, the application object; null without a host.
HostApplication* HostApp();
// Application operation 0: the current document, or null.
HostDocument* HostCurrentDocument();
// The current document's command line, else the application's.
HostCommandOutput* HostMessageOutput();

// The module's own instance handle, recorded at process attach, or found
// from the address of the module's code when asked for before that.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// A text of the module's string table; empty when the id is unknown.
OdString LoadModuleString(unsigned id);
// Prints that text on the host's command line, when there is one. The
// module's own texts hold no values, so they are the print's format.
void PrintModuleString(unsigned id);
