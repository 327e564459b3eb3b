#include "host/Shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <utility>

#include "ScriptWords.h"
#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostWindow.h"
#include "host/PointCloudReader.h"
#include "host/ScriptDialogs.h"
#include "host/WindowCommands.h"
#include "host/XPC.h"
#include "win32/QtText.h"
#include "win32/Text.h"

namespace host {

using win32::FromQString;
using win32::ToQString;

bool ScriptInput::next(std::string& line) {
  if (!std::getline(m_stream, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

Shell::Shell(HostWindow& window, ScriptInput* script) : m_window(window), m_script(script) {
  Application::instance().setConsole(this);
  m_window.setCommandHandler([this](const QString& line) { execute(FromQString(line)); });
  RegisterWindowCommands(*this);
  // A module's modal dialogs read their input from the script too.
  if (m_script != nullptr) InstallScriptDialogs(*this, *m_script);
}

Shell::~Shell() {
  if (m_script != nullptr) RemoveScriptDialogs();
  if (&Application::instance().console() == this) Application::instance().setConsole(nullptr);
}

void Shell::write(const std::u16string& message) {
  m_window.appendMessage(ToQString(message));
  if (m_script != nullptr) {
    const std::string text = win32::ToUtf8(message) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
}

int Shell::readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) {
  const std::u16string shown = defaultText.empty() ? prompt + u": " : prompt + u" <" + defaultText + u">: ";
  if (m_script == nullptr) {
    QString typed;
    const int status = m_window.prompt(ToQString(prompt), ToQString(defaultText), typed);
    if (status == kHostPromptOk) answer = FromQString(typed);
    m_window.appendMessage(ToQString(shown) + (status == kHostPromptOk ? typed : QStringLiteral("*Cancel*")));
    return status;
  }
  std::string line;
  if (!m_script->next(line)) {
    write(shown + u"*End of script*");
    return kHostPromptNoInput;
  }
  // In a script, "^C" cancels the prompt and an empty line takes the default.
  if (IsScriptCancel(line)) {
    write(shown + u"*Cancel*");
    return kHostPromptCancel;
  }
  answer = line.empty() ? defaultText : win32::FromUtf8(line);
  write(shown + answer);
  return kHostPromptOk;
}

int Shell::readFileName(const std::u16string& prompt, const std::u16string& filter, std::u16string& answer) {
  if (m_script != nullptr) return readLine(prompt, {}, answer);
  const QString chosen = QFileDialog::getOpenFileName(&m_window, ToQString(prompt), QString(), ToQString(filter));
  m_window.appendMessage(ToQString(prompt) + QStringLiteral(": ") +
                         (chosen.isEmpty() ? QStringLiteral("*Cancel*") : chosen));
  if (chosen.isEmpty()) return kHostPromptCancel;
  answer = FromQString(chosen);
  return kHostPromptOk;
}

Document& Shell::newDocument() {
  Document* document = Application::instance().openDocument(u"Drawing1");
  if (m_window.view() != nullptr) document->setViewWindow(reinterpret_cast<HWND>(m_window.view()->winId()));
  InstallSelectionInput(*document);
  return *document;
}

int Shell::openFiles(const std::vector<std::string>& files) {
  Document* document = Application::instance().document();
  if (document == nullptr) document = &newDocument();
  std::vector<std::string> drawingFiles, cloudFiles;
  for (const std::string& file : files) (IsPointCloudFile(file) ? cloudFiles : drawingFiles).push_back(file);
  int failed = OpenDrawingFiles(*document, m_window.view(), drawingFiles, *this);
  failed += OpenPointCloudFiles(*document, cloudFiles, *this);
  m_window.refreshStatus();
  return failed;
}

bool Shell::execute(const std::u16string& line) {
  std::u16string name = line;
  while (!name.empty() && (name.back() == u' ' || name.back() == u'\t')) name.pop_back();
  const RegisteredCommand* command = CommandRegistry::instance().find(name);
  if (command == nullptr) {
    write(u"Unknown command \"" + name + u"\".");
    ++m_unknownCommands;
    return false;
  }
  if (!m_running.empty()) {
    write(u"Command " + name + u" ignored: " + m_running + u" is running.");
    return true;
  }
  m_running = command->globalName;
  // Copies: a command may change the registry while it runs.
  const auto builtin = command->builtin;
  const auto function = command->function;
  try {
    if (builtin) {
      builtin();
    } else {
      function();
    }
  } catch (const std::exception& error) {
    write(u"Command " + name + u" failed: " + win32::FromUtf8(error.what()) + u".");
  } catch (...) { write(u"Command " + name + u" failed."); }
  m_running.clear();
  m_window.refreshStatus();
  return true;
}

void Shell::waitFor(int milliseconds) {
  if (m_stopped) return;
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  QEventLoop* outer = std::exchange(m_wait, &loop);
  loop.exec();
  m_wait = outer;
}

void Shell::stop() {
  m_stopped = true;
  if (m_wait != nullptr) m_wait->quit();
}

int Shell::runScript() {
  // Commands read the screen: let the window appear first.
  QElapsedTimer shown;
  shown.start();
  while (shown.elapsed() < 5000 && (m_window.windowHandle() == nullptr || !m_window.windowHandle()->isExposed())) {
    waitFor(10);
  }
  waitFor(50);

  std::string line;
  while (!m_stopped && m_script != nullptr && m_script->next(line)) {
    const ScriptWord word = ReadScriptWord(line);
    if (word.kind == ScriptWord::kSkip) continue;
    if (word.kind == ScriptWord::kQuit) break;
    if (word.kind == ScriptWord::kWait) {
      waitFor(word.milliseconds);
      continue;
    }
    if (word.kind == ScriptWord::kEcho) {
      write(win32::FromUtf8(word.text));
      continue;
    }
    write(u"Command: " + win32::FromUtf8(word.text));
    execute(win32::FromUtf8(word.text));
    QCoreApplication::processEvents();
  }
  return m_unknownCommands == 0 ? 0 : 3;
}

}  // namespace host
