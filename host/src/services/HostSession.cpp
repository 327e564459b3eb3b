#include "host/HostSession.h"

#include <cstdio>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "win32/WidePrintf.h"
#include "win32/Text.h"

namespace host {

void StdoutConsole::write(const std::u16string& message) {
  const std::string text = win32::ToUtf8(message) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

int StdoutConsole::readLine(const std::u16string&, const std::u16string&, std::u16string&) {
  return kHostPromptNoInput;
}

int CommandLine::getString(const OdChar* prompt, const OdChar* defaultText, int, OdString& answer, int) {
  std::u16string typed;
  const int status = Application::instance().console().readLine(prompt != nullptr ? prompt : u"",
                                                                defaultText != nullptr ? defaultText : u"", typed);
  if (status == kHostPromptOk) answer = OdString(typed);
  return status;
}

void CommandLine::print(const OdChar* format, ...) {
  va_list args;
  va_start(args, format);
  const std::u16string text = win32::FormatWide(format, args);
  va_end(args);
  Application::instance().console().write(text);
}

void CommandLine::printLiteral(const std::u16string& text) { Application::instance().console().write(text); }

Application& Application::instance() {
  static Application application;
  return application;
}

Document* Application::openDocument(std::u16string name) {
  m_documents.push_back(std::make_unique<Document>(std::move(name)));
  m_current = m_documents.back().get();
  return m_current;
}

void Application::closeDocument() {
  for (auto it = m_documents.begin(); it != m_documents.end(); ++it) {
    if (it->get() == m_current) {
      CloseDrawing(m_current);
      RemoveSelectionInput(*m_current);
      m_documents.erase(it);
      break;
    }
  }
  m_current = m_documents.empty() ? nullptr : m_documents.back().get();
}

}  // namespace host
