#include "module/CommandTable.h"

#include "base/HostAccess.h"
#include "base/HostReference.h"
#include "base/InitOrder.h"
#include "recording/RecordingCommands.h"
#include "screenshots/ScreenshotCommands.h"
#include "track/VideoFromTrackCommand.h"
#include "win32/Kernel.h"

namespace {

constexpr OdChar kCommandGroup[] = u"VISUALIZATION";
constexpr int kCommandFlags = 4;

CommandData g_commandData{"PC_hostVideoRecorder"};

struct CommandRegistrar {
  CommandRegistrar(const OdChar* name, HostCommandFunction function) { RegisterCommand(name, function); }
};

// Entries 7 and 8 pass a temporary string's buffer: the factory keeps its own copies.
struct TemporaryNameRegistrar {
  TemporaryNameRegistrar(const char* name, HostCommandFunction function) {
    const OdString temporary = OdString::fromUtf8(name);
    RegisterCommand(temporary.c_str(), function);
  }
};

}  // namespace

std::vector<OdString> helpCommandNames PCVR_INIT_PRIORITY(PCVR_INIT_HELP_NAMES) = {
    u"START_VIDEO_RECORDING", u"PAUSE_VIDEO_RECORDING",  u"END_VIDEO_RECORDING",       u"VIDEO_FROM_TRACK",
    u"LMX_MAKE_SCREENSHOT",   u"LMX_MAKE_4L_SCREENSHOT", u"LMX_MAKE_4L_SCREENSHOT_QT",
};

void RegisterCommand(const OdChar* globalName, HostCommandFunction function) {
  HMODULE mainModule = FindHostMainModule(MainModuleQuery::kName);
  if (mainModule == nullptr) return;
  auto newFactory = reinterpret_cast<NewCmdFactoryFn>(GetProcAddress(mainModule, "new_ICmdFactory"));
  if (newFactory == nullptr) return;
  HostReference<ICmdFactory> factory;
  newFactory(factory.receive());
  if (!factory) return;
  factory->addCommand(kCommandGroup, globalName, globalName, kCommandFlags, function, &g_commandData, 1);
}

namespace {

CommandRegistrar g_startRecording PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"START_VIDEO_RECORDING",
                                                                         &StartVideoRecording};
CommandRegistrar g_pauseRecording PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"PAUSE_VIDEO_RECORDING",
                                                                         &PauseVideoRecording};
CommandRegistrar g_endRecording PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"END_VIDEO_RECORDING", &EndVideoRecording};
CommandRegistrar g_videoFromTrack PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"VIDEO_FROM_TRACK", &VideoFromTrack};
CommandRegistrar g_screenshot PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"MAKE_SCREENSHOT", &MakeScreenshot};
CommandRegistrar g_fourViewScreenshot PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){u"MAKE_4L_SCREENSHOT",
                                                                             &MakeFourViewScreenshot};
TemporaryNameRegistrar g_screenshotQt PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){"PC_MAKE_SCREENSHOT_QT", &MakeScreenshot};
TemporaryNameRegistrar g_fourViewScreenshotQt PCVR_INIT_PRIORITY(PCVR_INIT_COMMANDS){"PC_MAKE_4L_SCREENSHOT_QT",
                                                                                     &MakeFourViewScreenshot};

}  // namespace
