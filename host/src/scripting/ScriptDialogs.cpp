#include "host/ScriptDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <string>

#include "ScriptWords.h"
#include "host/HostSession.h"
#include "host/Shell.h"
#include "mfc/ModalDriver.h"
#include "win32/Text.h"

namespace host {

namespace {

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

std::u16string Number(long long value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

std::u16string ResultName(int result) {
  if (result == 1) return u"OK";
  if (result == 2) return u"Cancel";
  return Number(result);
}

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Splits "ID REST" into the id and the rest of the line, kept as typed.
bool SplitId(const std::string& arguments, int& id, std::string& rest) {
  std::size_t used = 0;
  try {
    id = std::stoi(arguments, &used);
  } catch (const std::exception&) { return false; }
  rest = used < arguments.size() && arguments[used] == ' ' ? arguments.substr(used + 1) : arguments.substr(used);
  return true;
}

void Show(Console& console, mfc::ModalDriver& driver, const std::string& file) {
  for (const auto& control : driver.controls()) {
    std::u16string line = u"  " + Number(control.id) + u" " + control.className + u" " + Quoted(control.text);
    if (control.className == u"COMBOBOX") {
      line += u" [";
      for (std::size_t i = 0; i < control.items.size(); ++i) {
        if (i != 0) line += u", ";
        line += (static_cast<int>(i) == control.selected ? u"*" : u"") + control.items[i];
      }
      line += u"]";
    }
    console.write(line);
  }
  if (file.empty()) return;
  const std::u16string path = win32::FromUtf8(file);
  console.write(driver.saveImage(path) ? u"Dialog image saved: " + path : u"Dialog image not saved: " + path);
}

void Drive(Console& console, ScriptInput& script, mfc::ModalDriver& driver) {
  const std::u16string name = driver.templateId() != 0 ? u"Dialog " + Number(driver.templateId()) : u"Save dialog";
  console.write(name + u" " + Quoted(driver.caption()) + u" opened");
  std::string line;
  while (!driver.ended()) {
    if (!script.next(line)) {
      console.write(name + u": *End of script*");
      driver.close();
      break;
    }
    const ScriptWord word = ReadScriptWord(line);
    if (word.kind == ScriptWord::kSkip) continue;
    if (word.kind == ScriptWord::kEcho) {
      console.write(win32::FromUtf8(word.text));
      continue;
    }
    if (word.kind == ScriptWord::kWait) {
      Wait(word.milliseconds);
      continue;
    }
    // "quit" as well: only a press or a close ends the dialog.
    const std::string& text = word.text;
    if (text.rfind("dialog ", 0) != 0) {
      console.write(name + u" is open; line skipped: " + win32::FromUtf8(text));
      continue;
    }
    const std::string action = TrimScriptLine(text.substr(7));
    const std::size_t space = action.find(' ');
    const std::string verb = action.substr(0, space);
    const std::string arguments = space == std::string::npos ? std::string() : action.substr(space + 1);
    int id = 0;
    std::string rest;
    bool done = false;
    if (verb == "show") {
      Show(console, driver, TrimScriptLine(arguments));
      continue;
    }
    if (verb == "close") {
      driver.close();
      continue;
    }
    if (!SplitId(arguments, id, rest)) {
      console.write(name + u": no control id in: " + win32::FromUtf8(text));
      continue;
    }
    const std::u16string value = win32::FromUtf8(rest);
    if (verb == "set") {
      done = driver.setText(id, value);
    } else if (verb == "select") {
      done = driver.select(id, value);
    } else if (verb == "press") {
      done = driver.press(id);
    } else {
      console.write(name + u": unknown action: " + win32::FromUtf8(text));
      continue;
    }
    if (!done)
      console.write(name + u": cannot " + win32::FromUtf8(verb) + u" control " + Number(id) +
                    (value.empty() ? u"" : u" " + Quoted(value)));
  }
  console.write(name + u" closed: " + ResultName(driver.result()));
}

}  // namespace

void InstallScriptDialogs(Console& console, ScriptInput& script) {
  mfc::SetModalHook([&console, &script](mfc::ModalDriver& driver) { Drive(console, script, driver); });
}

void RemoveScriptDialogs() { mfc::SetModalHook({}); }

}  // namespace host
