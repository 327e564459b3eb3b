// The real host library in a test process, named as the main library as pchost
// does, so module code finds it through its ordinary lookups; a scripted console.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/HostSession.h"

namespace pcvr_test {

class ScriptedConsole : public host::Console {
 public:
  ScriptedConsole();
  ~ScriptedConsole() override;

  // The next prompt ends with this status and, for kHostPromptOk, answer.
  // Without queued answers a prompt ends with kHostPromptNoInput.
  void answer(int status, std::u16string text = {}) { m_answers.emplace_back(status, std::move(text)); }

  void write(const std::u16string& message) override { messages.push_back(message); }
  int readLine(const std::u16string& prompt, const std::u16string& defaultText, std::u16string& answer) override;

  std::function<void()> whileAsked;  // what the person does before answering
  std::vector<std::u16string> prompts;
  std::vector<std::u16string> defaults;
  std::vector<std::u16string> messages;

 private:
  std::deque<std::pair<int, std::u16string>> m_answers;
};

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);  // value null: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  bool m_had = false;
  std::string m_old;
};

// Opens a document when none is open; returns it.
host::Document* EnsureDocument();
// Closes every open document.
void CloseAllDocuments();

}  // namespace pcvr_test
