// Opens one of the module's recording option dialogs without a host, for a
// person to look at, or drives it from a script with the host's dialog
// lines ("dialog set|select|press|show|close"), then prints what DoModal
// returned and the parameters the dialog handed back.
//
//   pcvr_dialog_preview 500|507 [--script FILE|-]
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "base/HostAccess.h"
#include "dialogs/DlgVideoFromTrackParams.h"
#include "dialogs/DlgVideoRecodingParams.h"
#include "host/HostSession.h"
#include "host/ScriptDialogs.h"
#include "host/Shell.h"
#include "resources/StringTable.h"
#include "win32/Text.h"

namespace {

std::string Fourcc(DWORD code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char ch = static_cast<char>((code >> (8 * i)) & 0xFF);
    text += ch >= 32 && ch < 127 ? ch : '.';
  }
  return text;
}

void Print(const VideoRecordingParams& params, HWND mainWindow, HWND documentWindow) {
  const char* window = params.window == nullptr          ? "none"
                       : params.window == mainWindow     ? "main"
                       : params.window == documentWindow ? "document"
                                                         : "other";
  std::printf("filePath: %s\n", params.filePath.toUtf8().c_str());
  std::printf("window: %s\n", window);
  std::printf("frame: %dx%d %d bits\n", params.frameFormat.biWidth, params.frameFormat.biHeight,
              params.frameFormat.biBitCount);
  std::printf("codec: %s\n", Fourcc(params.codecInfo.fccHandler).c_str());
  std::printf("quality: %d\n", params.quality);
  std::printf("fps: %d\n", params.fps);
  std::printf("startDelay: %d\n", params.startDelay);
}

}  // namespace

int main(int argc, char** argv) {
  static const char kUsage[] = "Usage: pcvr_dialog_preview 500|507 [--script FILE|-]\n";
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const bool withScript = argc == 4 && std::string(argv[2]) == "--script";
  if ((argc != 2 && !withScript) || (std::string(argv[1]) != "500" && std::string(argv[1]) != "507")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const bool recording = std::string(argv[1]) == "500";
  const std::string scriptPath = withScript ? argv[3] : "";

  QApplication app(argc, argv);
  QMainWindow main;
  main.setWindowTitle(QStringLiteral("Dialog preview"));
  auto* view = new QLabel(QStringLiteral("document view"));
  view->setAttribute(Qt::WA_NativeWindow);
  main.setCentralWidget(view);
  main.resize(1024, 768);
  main.show();

  std::ifstream file;
  std::istream* input = nullptr;
  if (scriptPath == "-") {
    input = &std::cin;
  } else if (!scriptPath.empty()) {
    file.open(scriptPath);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", scriptPath.c_str());
      return 2;
    }
    input = &file;
  }
  host::StdoutConsole console;
  std::unique_ptr<host::ScriptInput> script;
  if (input != nullptr) {
    script = std::make_unique<host::ScriptInput>(*input);
    host::InstallScriptDialogs(console, *script);
  }

  // The module shows its dialogs from its own resources.
  AfxSetResourceHandle(ResourceModule());
  CWnd* mainWnd = AfxGetThread()->m_pMainWnd;
  const HWND mainWindow = mainWnd != nullptr ? mainWnd->m_hWnd : nullptr;
  const HWND documentWindow = reinterpret_cast<HWND>(view->winId());
  INT_PTR result = -1;
  if (recording) {
    const std::vector<CaptureTarget> targets = {CaptureTarget(LoadModuleString(IDS_ENTIRE_PROGRAM), mainWindow),
                                                CaptureTarget(LoadModuleString(IDS_CURRENT_DOCUMENT), documentWindow)};
    CDlgVideoRecodingParams dialog(&targets);
    result = dialog.DoModal();
    std::printf("DoModal: %d\n", static_cast<int>(result));
    if (result == IDOK) Print(dialog.m_params, mainWindow, documentWindow);
  } else {
    const CaptureTarget target(LoadModuleString(IDS_CURRENT_DOCUMENT), documentWindow);
    CDlgVideoFromTrackParams dialog(target);
    result = dialog.DoModal();
    std::printf("DoModal: %d\n", static_cast<int>(result));
    if (result == IDOK) {
      Print(dialog.m_params, mainWindow, documentWindow);
      std::printf("stepSpeed: %g\n", dialog.m_stepSpeed);
    }
  }
  if (script) host::RemoveScriptDialogs();
  std::fflush(stdout);
  return result == -1 ? 1 : 0;
}
