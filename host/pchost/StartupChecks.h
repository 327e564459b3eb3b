// What pchost checks before it makes its application: that the script can be
// read and that there is an X display to show the window on. Each failure is
// told on standard error and gives pchost's exit code for it.
#pragma once

#include <fstream>
#include <string>

namespace pchost {

// pchost's exit codes (the README and --help list them).
enum ExitCode {
  kExitOk = 0,
  kExitUsage = 2,            // a bad option, or a script that cannot be read
  kExitUnknownCommand = 3,   // a script named a command that does not exist
  kExitModuleNotLoaded = 4,  // with a script: the module could not be loaded
  kExitNoDisplay = 5,        // no X display could be opened
  kExitFileNotOpened = 6,    // with a script: a file named on the command line could not be opened
};

// Opens the script file at path (a file, a FIFO or standard input's
// device; not a folder). Returns kExitOk, or kExitUsage after saying why.
int OpenScript(const std::string& path, std::ifstream& script);

// Whether the X display that Qt and the layers will use (DISPLAY, which
// -display sets) can be opened. Returns kExitOk, or kExitNoDisplay after
// saying so, instead of letting the application abort.
int CheckDisplay();

}  // namespace pchost
