#include "InProcessHost.h"

#include <cstdlib>

#include "win32/Kernel.h"

// What pchost exports: the host's main library for the module's lookups.
extern "C" __attribute__((visibility("default"))) HMODULE GetMainDllInstance() {
  return GetModuleHandleW(u"LMX_Main.dll");
}

namespace pcvr_test {

ScriptedConsole::ScriptedConsole() { host::Application::instance().setConsole(this); }

ScriptedConsole::~ScriptedConsole() { host::Application::instance().setConsole(nullptr); }

int ScriptedConsole::readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) {
  prompts.push_back(prompt);
  defaults.push_back(defaultText);
  if (whileAsked) whileAsked();
  if (m_answers.empty()) return kHostPromptNoInput;
  auto [status, text] = m_answers.front();
  m_answers.pop_front();
  if (status == kHostPromptOk) answer = text;
  return status;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
  if (const char* old = std::getenv(name)) {
    m_had = true;
    m_old = old;
  }
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (m_had) {
    setenv(m_name.c_str(), m_old.c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

host::Document* EnsureDocument() {
  host::Application& application = host::Application::instance();
  if (application.document() == nullptr) application.openDocument(u"Drawing1");
  return application.document();
}

void CloseAllDocuments() {
  host::Application& application = host::Application::instance();
  while (application.document() != nullptr) application.closeDocument();
}

}  // namespace pcvr_test
