// The host's application, its documents and their command lines.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/HostApi.h"

namespace host {

// Where the host's messages go and where answers to its prompts come from:
// a window and a person, or standard output and a script.
class HOST_EXPORT Console {
 public:
  virtual ~Console() = default;
  // One message of the command line.
  virtual void write(const std::u16string& message) = 0;
  // Asks for one line; returns a HostPromptStatus and fills answer on kHostPromptOk.
  virtual int readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) = 0;
  // Asks for the name of a file to open, of the kinds filter names (as a
  // file dialog's filter, "Drawings (*.dxf)"); by default at the command line.
  virtual int readFileName(const std::u16string& prompt, const std::u16string& filter, std::u16string& answer) {
    (void)filter;
    return readLine(prompt, {}, answer);
  }
};

// Standard output, and no answers: every prompt ends with kHostPromptNoInput.
class HOST_EXPORT StdoutConsole : public Console {
 public:
  void write(const std::u16string& message) override;
  int readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) override;
};

class HOST_EXPORT CommandLine final : public HostCommandOutput {
 public:
  int getString(const OdChar* prompt, const OdChar* defaultText, int flags, OdString& answer, int reserved) override;
  void print(const OdChar* format, ...) override;
  // Prints text as it is, never as a format.
  void printLiteral(const std::u16string& text);
};

class HOST_EXPORT Document final : public HostDocument {
 public:
  explicit Document(std::u16string name) : m_name(std::move(name)) {}

  OdDbDatabase* database() override { return m_database; }
  HostViewManager* viewManager() override { return m_viewManager; }
  HostCommandOutput* messageOutput() override { return &m_commandLine; }
  HostSelectionInput* selectionInput() override { return m_selectionInput; }
  HWND viewWindow() override { return m_viewWindow; }

  const std::u16string& name() const { return m_name; }
  void setViewWindow(HWND window) { m_viewWindow = window; }
  void setDatabase(OdDbDatabase* database) { m_database = database; }
  void setViewManager(HostViewManager* manager) { m_viewManager = manager; }
  void setSelectionInput(HostSelectionInput* input) { m_selectionInput = input; }

 private:
  std::u16string m_name;
  CommandLine m_commandLine;
  HWND m_viewWindow = nullptr;
  OdDbDatabase* m_database = nullptr;
  HostViewManager* m_viewManager = nullptr;
  HostSelectionInput* m_selectionInput = nullptr;
};

class HOST_EXPORT Application final : public HostApplication {
 public:
  static Application& instance();

  HostDocument* currentDocument() override { return m_current; }
  HostCommandOutput* messageOutput() override { return &m_commandLine; }

  Document* openDocument(std::u16string name);
  // Closes the current document; afterwards there is none.
  void closeDocument();
  Document* document() { return m_current; }

  // The console stays owned by the caller and must outlive its use.
  void setConsole(Console* console) { m_console = console; }
  Console& console() { return m_console != nullptr ? *m_console : m_stdout; }

  // What host service 12 does: bring the current view onto the screen.
  void setShowView(std::function<void()> showView) { m_showView = std::move(showView); }
  void showView() {
    if (m_showView) m_showView();
  }

 private:
  Application() = default;

  CommandLine m_commandLine;
  std::vector<std::unique_ptr<Document>> m_documents;
  Document* m_current = nullptr;
  Console* m_console = nullptr;
  StdoutConsole m_stdout;
  std::function<void()> m_showView;
};

}  // namespace host
