// pchost: the host program. Opens the main window with a document, loads the
// video recorder module and runs commands typed at its command line or read
// from a script.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
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
#include "host/XPC.h"
#include "sdk/OdRxModule.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

// The executable tells modules which library is the host's main one.
extern "C" __attribute__((visibility("default"))) const OdChar* GetMainDllNameW() { return u"LMX_Main.dll"; }
extern "C" __attribute__((visibility("default"))) HMODULE GetMainDllInstance() {
  return GetModuleHandleW(u"LMX_Main.dll");
}

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: pchost [--script FILE|-] [--module PATH] [--no-module] [drawing.dxf] [cloud.ply ...]\n"
               "  --script FILE  run the commands in FILE ('-' for standard input) and exit\n"
               "  --module PATH  the module to load (default: PC_hostVideoRecorder.so beside pchost)\n");
}

std::string DefaultModulePath() {
  WCHAR path[4096] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  std::string exe = win32::ToUtf8(std::u16string_view(path, length));
  const auto slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/PC_hostVideoRecorder.so";
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit makes the write that crosses it fail (EFBIG), which the
  // writers report and survive, instead of killing the host with its open
  // recordings.
  std::signal(SIGXFSZ, SIG_IGN);
  std::string scriptPath;
  std::string modulePath = DefaultModulePath();
  bool loadModule = true;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--script" && i + 1 < argc) {
      scriptPath = argv[++i];
    } else if (arg == "--module" && i + 1 < argc) {
      modulePath = argv[++i];
    } else if (arg == "--no-module") {
      loadModule = false;
    } else if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      Usage();
      return 2;
    } else {
      files.push_back(arg);
    }
  }

  // Screenshots go under the user's profile folder, which Linux calls HOME.
  if (std::getenv("USERPROFILE") == nullptr && std::getenv("HOME") != nullptr) {
    setenv("USERPROFILE", std::getenv("HOME"), 0);
  }

  QApplication app(argc, argv);
  host::HostWindow window;
  host::Application& application = host::Application::instance();
  host::Document* document = application.openDocument(u"Drawing1");
  window.show();
  // Without a window manager nothing gives the new window the focus.
  window.activateWindow();
  document->setViewWindow(reinterpret_cast<HWND>(window.view()->winId()));

  std::ifstream scriptFile;
  std::unique_ptr<host::ScriptInput> script;
  if (!scriptPath.empty()) {
    if (scriptPath == "-") {
      script = std::make_unique<host::ScriptInput>(std::cin);
    } else {
      scriptFile.open(scriptPath);
      if (!scriptFile) {
        std::fprintf(stderr, "pchost: cannot read script %s\n", scriptPath.c_str());
        return 2;
      }
      script = std::make_unique<host::ScriptInput>(scriptFile);
    }
  }
  host::Shell shell(window, script.get());

  host::ModuleLoader loader;
  if (loadModule) {
    std::string error;
    if (!loader.load(modulePath, error)) {
      shell.write(u"Module not loaded: " + win32::FromUtf8(error));
      if (script) return 4;
    } else {
      shell.write(u"Module loaded: " + loader.module()->moduleName().str() + u" (interface " +
                  win32::FromUtf8(loader.version()) + u")");
    }
  }
  // Point-cloud files are attached to the drawing once it is open.
  std::vector<std::string> drawingFiles, cloudFiles;
  for (const std::string& file : files) (host::IsPointCloudFile(file) ? cloudFiles : drawingFiles).push_back(file);
  host::InstallSelectionInput(*document);
  host::OpenDrawingFiles(*document, window.view(), drawingFiles, shell);
  host::OpenPointCloudFiles(*document, cloudFiles, shell);

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

  int exitCode = 0;
  if (script) {
    QTimer::singleShot(0, &app, [&] {
      exitCode = shell.runScript();
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
