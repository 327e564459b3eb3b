// Host commands that show what modules registered with the host (Help menu):
//   COMMANDS    lists the module commands: group, global name, local name, flags;
//   HELPTOPICS  lists the help topics: command, topic, help file.
#include <functional>
#include <utility>

#include "host/CommandRegistry.h"
#include "host/HostSession.h"
#include "win32/WidePrintf.h"

namespace host {

namespace {

void Add(const char16_t* name, const char16_t* label, std::function<void()> body) {
  CommandRegistry::instance().addHostCommand(name, std::move(body), u"Help", label);
}

struct RegistryCommands {
  RegistryCommands() {
    Add(u"COMMANDS", u"List module commands", [] {
      Console& console = Application::instance().console();
      console.write(u"Registered commands (group, global name, local name, flags):");
      for (const auto& command : CommandRegistry::instance().commands()) {
        if (command.builtin) continue;
        console.write(win32::FormatWideV(u"  %s %s %s %d", command.group.c_str(), command.globalName.c_str(),
                                         command.localName.c_str(), command.flags));
      }
    });
    Add(u"HELPTOPICS", u"List help topics", [] {
      Console& console = Application::instance().console();
      const auto& topics = CommandRegistry::instance().helpTopics();
      if (topics.empty()) {
        console.write(u"No help topics registered.");
        return;
      }
      console.write(u"Help topics (command, topic, help file):");
      for (const auto& topic : topics) {
        console.write(
            win32::FormatWideV(u"  %s %s %s", topic.command.c_str(), topic.topic.c_str(), topic.helpFile.c_str()));
      }
    });
  }
} g_registryCommands;

}  // namespace

}  // namespace host
