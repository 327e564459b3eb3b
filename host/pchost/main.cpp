// pchost: the host program. Opens the main window with a document, loads the
// video recorder module and runs commands typed at its command line or read
// from a script.
#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/HostWindow.h"
#include "host/ModuleLoader.h"
#include "host/ProgressBar.h"
#include "host/Shell.h"
#include "host/SignalShutdown.h"
#include "StartupChecks.h"
#include "host/XPC.h"
#include "sdk/OdRxModule.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

#include "QtOptions.h"

// The executable tells modules which library is the host's main one.
extern "C" __attribute__((visibility("default"))) const OdChar* GetMainDllNameW() { return u"LMX_Main.dll"; }
extern "C" __attribute__((visibility("default"))) HMODULE GetMainDllInstance() {
  return GetModuleHandleW(u"LMX_Main.dll");
}

namespace {

const char kUsage[] =
    "Usage: pchost [OPTION]... [drawing.dxf] [cloud.ply ...]\n"
    "A file named without a folder that is not in the current folder is taken from\n"
    "the samples: sample_scene.dxf, sample_snowman.ply, sample_tree.ply.\n"
    "\n"
    "  --script FILE  run the commands in FILE ('-' for standard input) and exit\n"
    "  --module PATH  the module to load (default: PC_hostVideoRecorder.so beside\n"
    "                 pchost, or in the installed library folder, bin/../" PCHOST_LIBDIR
    ")\n"
    "  --no-module    run the host alone, without loading a module\n"
    "  -h, --help     show this text\n"
    "  -v, --version  show pchost's version\n"
    "\n"
    "Exit codes: 0, 2 bad option or unreadable script, 3 unknown command in a script,\n"
    "4 module not loaded in a script, 5 no X display could be opened, 6 a file named\n"
    "here could not be opened (with a script, which runs all the same).\n";

// The folder pchost runs from.
std::filesystem::path ProgramFolder() {
  WCHAR path[4096] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  return std::filesystem::path(win32::ToUtf8(std::u16string_view(path, length))).parent_path();
}

// The module beside pchost (the build tree), or in the installed library
// folder (bin/../lib/pchost, or the multiarch one that the installation's
// prefix chose).
std::string DefaultModulePath() {
  const std::filesystem::path folder = ProgramFolder();
  const std::filesystem::path beside = folder / "PC_hostVideoRecorder.so";
  const std::filesystem::path installed = folder.parent_path() / PCHOST_LIBDIR / "PC_hostVideoRecorder.so";
  std::error_code error;
  return (std::filesystem::exists(beside, error) || !std::filesystem::exists(installed, error) ? beside : installed)
      .string();
}

// A file named without a folder that is not in the current folder is looked
// for among the samples: installed (bin/../share/pchost/samples) or built
// (build/bin/../samples).
std::string WithSamples(const std::string& file) {
  std::error_code error;
  if (file.find('/') != std::string::npos || std::filesystem::exists(file, error)) return file;
  const std::filesystem::path top = ProgramFolder().parent_path();
  for (const auto& folder : {top / "share" / "pchost" / "samples", top / "samples"}) {
    if (std::filesystem::is_regular_file(folder / file, error)) return (folder / file).string();
  }
  return file;
}

struct Options {
  std::string scriptPath;
  std::string modulePath;
  bool loadModule = true;
  std::vector<std::string> files;
};

// Reads the command line before the application exists (so that --help and a
// bad option answer without a display). Qt's own options are accepted here
// and left in argv for QApplication, which takes them out.
// Returns -1 to go on, or the exit code.
int ParseCommandLine(int argc, char** argv, Options& options) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  // "-platform xcb" is one option, as Qt spells its own.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption script(QStringLiteral("script"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption module(QStringLiteral("module"), QString(), QStringLiteral("PATH"));
  const QCommandLineOption noModule(QStringLiteral("no-module"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
  parser.addOptions({script, module, noModule, help, version});
  // Qt's own options. Arguments go through QString and back with the same
  // (locale) codec, so file names keep their bytes.
  for (const pchost::QtOption& qt : pchost::kQtOptions) {
    QStringList names{QString::fromLatin1(qt.name)};
    if (qt.alias != nullptr) names << QString::fromLatin1(qt.alias);
    parser.addOption(qt.value != nullptr ? QCommandLineOption(names, QString(), QString::fromLatin1(qt.value))
                                         : QCommandLineOption(names));
  }
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "pchost: %s\n%s", parser.errorText().toLocal8Bit().constData(), kUsage);
    return 2;
  }
  if (parser.isSet(help)) {
    std::fputs((kUsage + pchost::QtOptionsHelp()).c_str(), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::puts("pchost " PCHOST_VERSION);
    return 0;
  }
  // The layers open X connections of their own (DISPLAY): they go to the
  // server Qt was told to use.
  if (parser.isSet(QStringLiteral("display")))
    setenv("DISPLAY", parser.value(QStringLiteral("display")).toLocal8Bit().constData(), 1);
  options.scriptPath = parser.value(script).toLocal8Bit().toStdString();
  options.modulePath = parser.isSet(module) ? parser.value(module).toLocal8Bit().toStdString() : DefaultModulePath();
  options.loadModule = !parser.isSet(noModule);
  for (const QString& file : parser.positionalArguments())
    options.files.push_back(WithSamples(file.toLocal8Bit().toStdString()));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit makes the write that crosses it fail (EFBIG), which the
  // writers report and survive, instead of killing the host with its open
  // recordings.
  std::signal(SIGXFSZ, SIG_IGN);
  Options options;
  if (const int code = ParseCommandLine(argc, argv, options); code >= 0) return code;
  const std::string& scriptPath = options.scriptPath;
  const std::string& modulePath = options.modulePath;
  const bool loadModule = options.loadModule;
  const std::vector<std::string>& files = options.files;

  // Screenshots go under the user's profile folder, which Linux calls HOME.
  if (std::getenv("USERPROFILE") == nullptr && std::getenv("HOME") != nullptr) {
    setenv("USERPROFILE", std::getenv("HOME"), 0);
  }

  // The script and the display are checked before the application is made:
  // without a display Qt would abort.
  std::ifstream scriptFile;
  std::unique_ptr<host::ScriptInput> script;
  if (scriptPath == "-") {
    script = std::make_unique<host::ScriptInput>(std::cin);
  } else if (!scriptPath.empty()) {
    if (const int code = pchost::OpenScript(scriptPath, scriptFile); code != pchost::kExitOk) return code;
    script = std::make_unique<host::ScriptInput>(scriptFile);
  }
  if (const int code = pchost::CheckDisplay(); code != pchost::kExitOk) return code;

  QApplication app(argc, argv);
  host::HostWindow window;
  host::Application& application = host::Application::instance();
  window.show();
  // Without a window manager nothing gives the new window the focus.
  window.activateWindow();
  host::Shell shell(window, script.get());

  host::ModuleLoader loader;
  if (loadModule) {
    std::string error;
    if (!loader.load(modulePath, error)) {
      shell.write(u"Cannot load the module " + win32::FromUtf8(modulePath) + u": " + win32::FromUtf8(error) + u".");
      if (script) return pchost::kExitModuleNotLoaded;
    } else {
      shell.write(u"Module loaded: " + loader.module()->moduleName().str() + u" (interface " +
                  win32::FromUtf8(loader.version()) + u").");
    }
  }
  // The drawing first; point-cloud files are attached to it once it is open.
  const int notOpened = shell.openFiles(files);

  // SIGTERM, SIGINT and SIGHUP end the host as "quit" does, after the
  // command that runs: a trajectory video stops at the frame it is on, and
  // the module, unloaded on the way out, ends a live recording; both files
  // are completed.
  host::SignalShutdown shutdownOnSignal([&](int signal) {
    const char* name = sigabbrev_np(signal);
    shell.write(u"pchost: SIG" + win32::FromUtf8(name != nullptr ? name : "?") + u" received, finishing.");
    shell.stop();
    ProgressBar::BreakAll();
    app.quit();
  });

  int exitCode = pchost::kExitOk;
  if (script) {
    QTimer::singleShot(0, &app, [&] {
      // The script runs on what did open; the exit code tells of the first
      // failure, and the files were opened first.
      exitCode = shell.runScript() != 0 ? pchost::kExitUnknownCommand : pchost::kExitOk;
      if (notOpened > 0) exitCode = pchost::kExitFileNotOpened;
      app.quit();
    });
    app.exec();
  } else {
    app.exec();
  }
  // As a CAD host exits: the documents close first, then the modules go, so
  // nothing a module put into a drawing outlives the module's code.
  while (application.document() != nullptr) application.closeDocument();
  loader.unload();
  shell.write(u"pchost finished.");
  return exitCode;
}
