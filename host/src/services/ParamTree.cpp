#include "host/ParamTree.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "win32/Text.h"

namespace host {

namespace {

std::string Key(std::string_view name) {
  std::string key(name);
  for (auto& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

ParamNode* ParamNode::create() { return new ParamNode(); }

ParamNode::~ParamNode() {
  for (auto& [name, node] : m_children) node->release();
}

void ParamNode::addRef() { m_refs.fetch_add(1); }

void ParamNode::release() {
  if (m_refs.fetch_sub(1) == 1) delete this;
}

ParamNode* ParamNode::childNode(const std::string& name, bool create) {
  const std::string key = Key(name);
  const auto it = m_children.find(key);
  if (it != m_children.end()) return it->second;
  if (!create) return nullptr;
  ParamNode* node = ParamNode::create();
  m_children.emplace(key, node);
  return node;
}

IParam* ParamNode::child(const char* name, int create) {
  if (name == nullptr) return nullptr;
  ParamNode* node = childNode(name, create != 0);
  if (node != nullptr) node->addRef();
  return node;
}

bool ParamNode::value(const char* name, HostParamValue& value) const {
  if (name == nullptr) return false;
  const auto it = m_values.find(Key(name));
  if (it == m_values.end()) return false;
  value = it->second;
  return true;
}

void ParamNode::setValue(const std::string& name, HostParamValue value) { m_values[Key(name)] = std::move(value); }

bool ParamNode::loadIniFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return false;

  // A UTF-16 file announces itself with a byte-order mark; its values are
  // wide texts. Anything else is read as UTF-8 (or ASCII) with narrow values.
  bool wide = false;
  std::string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    wide = true;
    std::u16string utf16;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      utf16 +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    text = win32::ToUtf8(utf16);
  } else {
    text = bytes;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  }

  ParamNode* section = this;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    if (trimmed.front() == '[') {
      const auto close = trimmed.find(']');
      if (close == std::string::npos) continue;  // a broken header is skipped, like Windows does
      section = childNode(Trim(std::string_view(trimmed).substr(1, close - 1)), true);
      continue;
    }
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) continue;
    HostParamValue value;
    std::string content = Trim(std::string_view(trimmed).substr(equals + 1));
    if (content.size() >= 2 && content.front() == '"' && content.back() == '"')
      content = content.substr(1, content.size() - 2);
    if (wide) {
      value.type = HostParamValue::kWideText;
      value.wide = OdString(win32::FromUtf8(content));
    } else {
      value.type = HostParamValue::kNarrowText;
      value.narrow = content;
    }
    section->setValue(Trim(std::string_view(trimmed).substr(0, equals)), std::move(value));
  }
  return true;
}

}  // namespace host
