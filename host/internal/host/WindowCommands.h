// The host's commands for its window and documents: File > Open drawing,
// Open point cloud, Close and Quit, and VIEWINFO. Unlike the other host
// commands they act on the shell that runs them, and reach it only through
// WindowCommandHost.
#pragma once

namespace host {

class Console;
class Document;
class HostWindow;

// What the window's commands need from the shell.
class WindowCommandHost {
 public:
  // Where messages go and file names are asked for.
  virtual Console& console() = 0;
  virtual HostWindow& window() = 0;
  // A new current document, shown in the window's view and answering picks.
  virtual Document& newDocument() = 0;
  // Ends a running script once the command that runs now returns.
  virtual void stop() = 0;

 protected:
  ~WindowCommandHost() = default;
};

// Registers OPEN, OPENCLOUD, CLOSE and QUIT (File menu) and VIEWINFO (View
// menu) for host, which must outlive them.
void RegisterWindowCommands(WindowCommandHost& host);

}  // namespace host
