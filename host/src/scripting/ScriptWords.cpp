#include "ScriptWords.h"

#include <algorithm>
#include <cstdlib>

namespace host {

std::string TrimScriptLine(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = line.find_last_not_of(" \t\r\n");
  return line.substr(first, last - first + 1);
}

ScriptWord ReadScriptWord(const std::string& line) {
  ScriptWord word;
  word.text = TrimScriptLine(line);
  const std::string& text = word.text;
  if (text.empty() || text[0] == '#' || text[0] == ';') {
    word.kind = ScriptWord::kSkip;
  } else if (text == "quit") {
    word.kind = ScriptWord::kQuit;
  } else if (text.rfind("wait ", 0) == 0) {
    word.kind = ScriptWord::kWait;
    word.milliseconds = std::max(0, std::atoi(text.c_str() + 5));
  } else if (text.rfind("echo ", 0) == 0) {
    word.kind = ScriptWord::kEcho;
    word.text = text.substr(5);
  } else {
    word.kind = ScriptWord::kLine;
  }
  return word;
}

bool IsScriptCancel(const std::string& line) { return TrimScriptLine(line) == "^C"; }

}  // namespace host
