// The options that Qt itself takes out of pchost's command line: those of
// QGuiApplication, of QApplication and of the xcb platform plugin (Qt 5.15),
// which pchost runs on. pchost accepts exactly these besides its own and
// lists them in --help. Qt's debugging hooks for QML and test automation
// (-qmljsdebugger, -testability) do nothing for this host and are refused.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace pchost {

struct QtOption {
  const char* name;   // as typed after one dash (Qt takes two as well)
  const char* alias;  // the same option under another name, or nullptr
  const char* value;  // the name of its value in the help text, or nullptr
  const char* help;
};

inline constexpr QtOption kQtOptions[] = {
    {"platform", nullptr, "NAME", "the platform plugin (pchost needs xcb)"},
    {"platformpluginpath", nullptr, "PATH", "a folder of platform plugins"},
    {"platformtheme", nullptr, "NAME", "the platform theme (fonts, colours, dialogs)"},
    {"plugin", nullptr, "NAME", "load a generic plugin (an input device's)"},
    {"display", nullptr, "DISPLAY", "the X server to show on and record from"},
    {"geometry", "qwindowgeometry", "WxH+X+Y", "the main window's size, place"},
    {"title", "qwindowtitle", "TEXT", "the main window's title"},
    {"icon", "qwindowicon", "FILE", "the main window's icon"},
    {"name", nullptr, "NAME", "the instance name in the windows' WM_CLASS"},
    {"visual", nullptr, "ID", "the X visual of the windows"},
    {"style", nullptr, "NAME", "the widget style: Fusion, Windows (or -style=NAME)"},
    {"stylesheet", nullptr, "FILE", "a Qt style sheet for the widgets"},
    {"reverse", nullptr, nullptr, "lay the widgets out right to left"},
    {"session", nullptr, "ID", "restore a session manager's session"},
    {"nograb", nullptr, nullptr, "never grab the mouse or the keyboard"},
    {"dograb", nullptr, nullptr, "grab them even under a debugger"},
    {"widgetcount", nullptr, nullptr, "at exit, print the widgets made and left"},
};

// The help text's section on Qt's options, one option a line.
inline std::string QtOptionsHelp() {
  std::string text = "\nQt options:\n";
  for (const QtOption& option : kQtOptions) {
    std::string names = std::string("  -") + option.name;
    if (option.value != nullptr) names += std::string(" ") + option.value;
    names.resize(std::max<std::size_t>(names.size() + 2, 28), ' ');
    text += names + option.help;
    if (option.alias != nullptr) text += std::string(" (or -") + option.alias + ")";
    text += "\n";
  }
  return text;
}

}  // namespace pchost
