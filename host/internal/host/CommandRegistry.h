// What modules have registered with the host: commands, help topics and the
// modules whose resources are translated. Main thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/HostApi.h"

namespace host {

struct RegisteredCommand {
  std::u16string group;
  std::u16string globalName;
  std::u16string localName;
  int flags = 0;
  HostCommandFunction function = nullptr;
  void* commandData = nullptr;
  int reserved = 0;
  // Commands of the host itself carry a callable instead of a function.
  std::function<void()> builtin;
  // The host's menu a command of the host itself appears in (empty: none),
  // the words it is listed with there ("Compute normals…") and its key
  // ("Ctrl+O", as Qt's key sequences spell it; empty: none). A module's
  // command appears under its own name in the menu named after its group.
  std::u16string menu;
  std::u16string label;
  std::u16string shortcut;
};

// One entry of a menu: the command it runs as typed, and how it is shown.
struct MenuEntry {
  std::u16string command;
  std::u16string label;
  std::u16string shortcut;
};

// One menu of the host window: a title and its entries, in the order the
// commands were registered.
struct CommandMenu {
  std::u16string title;
  std::vector<MenuEntry> entries;
};

struct HelpTopic {
  std::u16string command;
  std::u16string helpFile;
  std::u16string topic;
  int flags = 0;
};

class HOST_EXPORT CommandRegistry {
 public:
  static CommandRegistry& instance();

  // Returns false, and keeps the earlier command, when either name is taken.
  bool add(RegisteredCommand command);
  // A command of the host itself, in the group "PCHOST", under one name;
  // shown in the host's menu of that title when menu is given, with label
  // (the name when empty) and shortcut.
  bool addHostCommand(std::u16string name, std::function<void()> body, std::u16string menu = {},
                      std::u16string label = {}, std::u16string shortcut = {});
  // By global or local name, without regard to ASCII case; null when unknown.
  const RegisteredCommand* find(std::u16string_view name) const;
  const std::vector<RegisteredCommand>& commands() const { return m_commands; }
  // Drops the commands whose function lies in that module: used when a
  // module is unloaded, so no command can call into unmapped code.
  void removeCommandsOf(HMODULE module);

  // The host's own menus first ("File", "Edit", "View", "Point clouds", each
  // with the host commands given that menu), then one menu per group of
  // registered module commands, in the order the groups first appeared, and
  // the host's "Help" last. A menu without entries is left out.
  std::vector<CommandMenu> menus() const;
  // Called after every change of the commands or help topics (one listener: the host
  // window, which rebuilds its menus); an empty function removes it.
  void setChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

  void setHelp(HelpTopic topic);
  const std::vector<HelpTopic>& helpTopics() const { return m_help; }

  void addTranslatedModule(HINSTANCE module) { m_translated.push_back(module); }
  const std::vector<HINSTANCE>& translatedModules() const { return m_translated; }

  void clear();

 private:
  std::vector<RegisteredCommand> m_commands;
  std::vector<HelpTopic> m_help;
  std::vector<HINSTANCE> m_translated;
  std::function<void()> m_changed;
};

}  // namespace host
