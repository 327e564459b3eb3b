#include "DialogTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cstring>

namespace dialogs_test {

INT_PTR RunModal(CDialog& dialog, const std::function<void(mfc::ModalDriver&)>& steps) {
  EnsureApplication();
  mfc::ModalHook previous = mfc::SetModalHook([&steps](mfc::ModalDriver& driver) {
    // A nested dialog that the steps did not expect is closed at once.
    mfc::ModalHook outer = mfc::SetModalHook([](mfc::ModalDriver& nested) {
      ADD_FAILURE() << "unexpected nested dialog";
      nested.close();
    });
    steps(driver);
    mfc::SetModalHook(std::move(outer));
    if (!driver.ended()) {
      ADD_FAILURE() << "the steps left the dialog open";
      driver.close();
    }
  });
  const INT_PTR result = dialog.DoModal();
  mfc::SetModalHook(std::move(previous));
  return result;
}

void WithNestedDialog(const std::function<void(mfc::ModalDriver&)>& nestedSteps, const std::function<void()>& action) {
  bool seen = false;
  mfc::ModalHook outer = mfc::SetModalHook([&](mfc::ModalDriver& nested) {
    seen = true;
    nestedSteps(nested);
    if (!nested.ended()) {
      ADD_FAILURE() << "the steps left the nested dialog open";
      nested.close();
    }
  });
  action();
  mfc::SetModalHook(std::move(outer));
  EXPECT_TRUE(seen) << "no nested dialog opened";
}

std::filesystem::path ImageDir() {
  std::filesystem::path dir = std::filesystem::path(PCVR_DIALOG_IMAGE_DIR);
  std::filesystem::create_directories(dir);
  return dir;
}

DWORD Fourcc(const char (&code)[5]) { return mmioFOURCC(code[0], code[1], code[2], code[3]); }

namespace {

struct ScriptState {
  std::vector<ScriptedCodec> codecs;
  int opened = 0;
  int closed = 0;
  bool onlyQuery = true;
};
ScriptState* g_script = nullptr;

const ScriptedCodec* CodecOf(HIC handle) {
  const auto index = reinterpret_cast<std::uintptr_t>(handle);
  if (g_script == nullptr || index == 0 || index > g_script->codecs.size()) return nullptr;
  return &g_script->codecs[index - 1];
}

BOOL ScriptInfo(DWORD type, DWORD index, ICINFO* info) {
  if (g_script == nullptr || index >= g_script->codecs.size()) return FALSE;
  std::memset(info, 0, sizeof(*info));
  info->dwSize = sizeof(ICINFO);
  info->fccType = type;
  info->fccHandler = g_script->codecs[index].fccHandler;
  return TRUE;
}

HIC ScriptOpen(DWORD, DWORD handler, UINT mode) {
  if (mode != ICMODE_QUERY) g_script->onlyQuery = false;
  for (std::size_t i = 0; i < g_script->codecs.size(); ++i) {
    if (g_script->codecs[i].fccHandler != handler) continue;
    if (!g_script->codecs[i].opens) return nullptr;
    ++g_script->opened;
    return reinterpret_cast<HIC>(i + 1);
  }
  return nullptr;
}

LRESULT ScriptGetInfo(HIC handle, ICINFO* info, DWORD size) {
  const ScriptedCodec* codec = CodecOf(handle);
  if (codec == nullptr || !codec->describes || size < sizeof(ICINFO)) return 0;
  std::memset(info->szDescription, 0, sizeof(info->szDescription));
  std::copy(codec->description.begin(), codec->description.end(), info->szDescription);
  info->szName[0] = u'x';
  return sizeof(ICINFO);
}

LRESULT ScriptSend(HIC handle, UINT message, DWORD_PTR param1, DWORD_PTR) {
  const ScriptedCodec* codec = CodecOf(handle);
  if (codec == nullptr) return ICERR_BADHANDLE;
  auto* cell = reinterpret_cast<DWORD*>(param1);
  if (message == ICM_GETDEFAULTKEYFRAMERATE && codec->answersKeyFrameRate) {
    *cell = codec->keyFrameRate;
    return ICERR_OK;
  }
  if (message == ICM_GETDEFAULTQUALITY && codec->answersQuality) {
    *cell = codec->quality;
    return ICERR_OK;
  }
  return ICERR_UNSUPPORTED;
}

LRESULT ScriptClose(HIC handle) {
  if (CodecOf(handle) == nullptr) return ICERR_BADHANDLE;
  ++g_script->closed;
  return ICERR_OK;
}

const CompressorManager kScripted = {&ScriptInfo, &ScriptOpen, &ScriptGetInfo, &ScriptSend, &ScriptClose};

}  // namespace

ScriptedCompressors::ScriptedCompressors(std::vector<ScriptedCodec> codecs) {
  g_script = new ScriptState{std::move(codecs)};
  SetCompressorManager(&kScripted);
}

ScriptedCompressors::~ScriptedCompressors() {
  SetCompressorManager(nullptr);
  delete g_script;
  g_script = nullptr;
}

int ScriptedCompressors::opened() const { return g_script->opened; }
int ScriptedCompressors::closed() const { return g_script->closed; }
bool ScriptedCompressors::onlyQueryMode() const { return g_script->onlyQuery; }

ScriptedCodec Codec(const char (&fcc)[5], std::u16string description, DWORD keyFrameRate, DWORD quality) {
  ScriptedCodec codec;
  codec.fccHandler = Fourcc(fcc);
  codec.description = std::move(description);
  codec.keyFrameRate = keyFrameRate;
  codec.quality = quality;
  return codec;
}

}  // namespace dialogs_test
