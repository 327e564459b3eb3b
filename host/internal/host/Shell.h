// Runs commands by name, typed by a person or read from a script; the
// window's commands (WindowCommands.h) act through it.
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "host/HostSession.h"
#include "host/WindowCommands.h"

class QEventLoop;

namespace host {

class HostWindow;

// A script read line by line as commands and prompts ask for input.
class HOST_EXPORT ScriptInput {
 public:
  explicit ScriptInput(std::istream& stream) : m_stream(stream) {}
  // The next line without its line end; false at the end of the script.
  bool next(std::string& line);

 private:
  std::istream& m_stream;
};

class HOST_EXPORT Shell final : public Console, private WindowCommandHost {
 public:
  // With a script, messages also go to standard output and prompts are
  // answered from the script; without one, a person answers in the window.
  Shell(HostWindow& window, ScriptInput* script);
  ~Shell() override;

  void write(const std::u16string& message) override;
  int readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) override;
  // A person chooses the file in a file dialog; a script answers with a line.
  int readFileName(const std::u16string& prompt, const std::u16string& filter, std::u16string& answer) override;

  // What pchost does with the files named on its command line: the current
  // document (a new one shown in the window's view when none is open) gets
  // the first DXF file as its drawing and the point-cloud files attached,
  // each outcome reported. Returns how many files were not opened.
  int openFiles(const std::vector<std::string>& files);

  // Runs one command line; false when the command is unknown. While a
  // command runs (and lets the window work between its steps), a command
  // typed at the command line is refused, not run inside it.
  bool execute(const std::u16string& line);
  // Runs the script to its end or to "quit"; returns the process exit code
  // (0, or 3 when a command was unknown).
  int runScript();
  // Asks a running script to end: no further line is read once the command
  // that runs now returns, and a wait ends at once.
  void stop() override;

 private:
  Console& console() override { return *this; }
  HostWindow& window() override { return m_window; }
  // A new current document, shown in the window's view and answering picks.
  Document& newDocument() override;
  void waitFor(int milliseconds);

  HostWindow& m_window;
  ScriptInput* m_script;
  int m_unknownCommands = 0;
  std::u16string m_running;  // the command that runs now, or empty
  bool m_stopped = false;
  QEventLoop* m_wait = nullptr;  // the wait in progress, if any
};

}  // namespace host
