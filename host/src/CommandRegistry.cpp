#include "host/CommandRegistry.h"

#include <algorithm>

#include "win32/Resources.h"
#include "win32/Text.h"

namespace host {

namespace {

bool SameName(std::u16string_view a, std::u16string_view b) {
  return win32::ToLowerAscii(a) == win32::ToLowerAscii(b);
}

}  // namespace

CommandRegistry& CommandRegistry::instance() {
  static CommandRegistry registry;
  return registry;
}

bool CommandRegistry::add(RegisteredCommand command) {
  if (command.globalName.empty() || find(command.globalName) != nullptr ||
      (!command.localName.empty() && find(command.localName) != nullptr)) {
    return false;
  }
  m_commands.push_back(std::move(command));
  if (m_changed) m_changed();
  return true;
}

bool CommandRegistry::addHostCommand(std::u16string name, std::function<void()> body, std::u16string menu) {
  RegisteredCommand command;
  command.group = u"PCHOST";
  command.globalName = name;
  command.localName = std::move(name);
  command.builtin = std::move(body);
  command.menu = std::move(menu);
  return add(std::move(command));
}

std::vector<CommandMenu> CommandRegistry::menus() const {
  std::vector<CommandMenu> menus{{u"View", {}}};
  for (const auto& command : m_commands) {
    if (command.builtin) {
      if (command.menu == u"View") menus.front().commands.push_back(command.localName);
      continue;
    }
    auto menu = std::find_if(menus.begin() + 1, menus.end(),
                             [&](const CommandMenu& m) { return m.title == command.group; });
    if (menu == menus.end()) menu = menus.insert(menus.end(), CommandMenu{command.group, {}});
    menu->commands.push_back(command.localName.empty() ? command.globalName : command.localName);
  }
  return menus;
}

const RegisteredCommand* CommandRegistry::find(std::u16string_view name) const {
  for (const auto& command : m_commands) {
    if (SameName(command.globalName, name) || SameName(command.localName, name)) return &command;
  }
  return nullptr;
}

void CommandRegistry::removeCommandsOf(HMODULE module) {
  const auto inside = [&](const RegisteredCommand& command) {
    return command.function != nullptr &&
           ModuleFromAddress(reinterpret_cast<const void*>(command.function)) == module;
  };
  m_commands.erase(std::remove_if(m_commands.begin(), m_commands.end(), inside), m_commands.end());
  if (m_changed) m_changed();
}

void CommandRegistry::setHelp(HelpTopic topic) {
  for (auto& existing : m_help) {
    if (SameName(existing.command, topic.command)) {
      existing = std::move(topic);
      return;
    }
  }
  m_help.push_back(std::move(topic));
}

void CommandRegistry::clear() {
  m_commands.clear();
  m_help.clear();
  m_translated.clear();
  if (m_changed) m_changed();
}

}  // namespace host
