// The words a script may write between commands, the same wherever its
// lines are read (the shell's command lines, the lines while a module's
// dialog is open): comments, "echo TEXT", "wait MS" and "quit"; and "^C",
// which answers a prompt with a cancel. Internal to the host library.
#pragma once

#include <string>

namespace host {

struct ScriptWord {
  enum Kind {
    kSkip,  // an empty line or a comment ("#" or ";" first)
    kQuit,  // "quit": the script ends here (the shell's lines only)
    kWait,  // "wait MS": the window goes on working for MS milliseconds
    kEcho,  // "echo TEXT": TEXT is printed
    kLine,  // anything else, for the reader: a command, a dialog's action
  };
  Kind kind = kSkip;
  std::string text;      // the line without the blanks around it; for kEcho, TEXT
  int milliseconds = 0;  // for kWait: 0 or more
};

// A script line without the blanks and line ends around it.
std::string TrimScriptLine(const std::string& line);

ScriptWord ReadScriptWord(const std::string& line);

// True when a line that answers a prompt cancels it ("^C").
bool IsScriptCancel(const std::string& line);

}  // namespace host
