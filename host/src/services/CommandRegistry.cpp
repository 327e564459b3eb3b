#include "host/CommandRegistry.h"

#include <algorithm>

#include "win32/Resources.h"
#include "win32/Text.h"

namespace host {

namespace {

bool SameName(std::u16string_view a, std::u16string_view b) { return win32::ToLowerAscii(a) == win32::ToLowerAscii(b); }

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

bool CommandRegistry::addHostCommand(std::u16string name, std::function<void()> body, std::u16string menu,
                                     std::u16string label, std::u16string shortcut) {
  RegisteredCommand command;
  command.group = u"PCHOST";
  command.globalName = name;
  command.localName = std::move(name);
  command.builtin = std::move(body);
  command.menu = std::move(menu);
  command.label = label.empty() ? command.globalName : std::move(label);
  command.shortcut = std::move(shortcut);
  return add(std::move(command));
}

std::vector<CommandMenu> CommandRegistry::menus() const {
  std::vector<CommandMenu> menus;
  const auto menuOf = [&](const std::u16string& title) -> CommandMenu& {
    for (CommandMenu& menu : menus)
      if (menu.title == title) return menu;
    return menus.emplace_back(CommandMenu{title, {}});
  };
  for (const char16_t* title : {u"File", u"Edit", u"View", u"Point clouds"}) menuOf(title);
  for (const auto& command : m_commands) {
    if (!command.builtin)
      menuOf(command.group)
          .entries.push_back(
              {command.globalName, command.localName.empty() ? command.globalName : command.localName, {}});
  }
  menuOf(u"Help");
  for (const auto& command : m_commands) {
    if (command.builtin && !command.menu.empty())
      menuOf(command.menu).entries.push_back({command.globalName, command.label, command.shortcut});
  }
  std::erase_if(menus, [](const CommandMenu& menu) { return menu.entries.empty(); });
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
    return command.function != nullptr && ModuleFromAddress(reinterpret_cast<const void*>(command.function)) == module;
  };
  m_commands.erase(std::remove_if(m_commands.begin(), m_commands.end(), inside), m_commands.end());
  if (m_changed) m_changed();
}

void CommandRegistry::setHelp(HelpTopic topic) {
  for (auto& existing : m_help) {
    if (SameName(existing.command, topic.command)) {
      existing = std::move(topic);
      if (m_changed) m_changed();
      return;
    }
  }
  m_help.push_back(std::move(topic));
  if (m_changed) m_changed();
}

void CommandRegistry::clear() {
  m_commands.clear();
  m_help.clear();
  m_translated.clear();
  if (m_changed) m_changed();
}

}  // namespace host
