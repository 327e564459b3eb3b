// What the dialog suites share: modal dialogs run under steps, and a scripted
// compressor list at the codec enumeration's seam.
#pragma once

#include <QString>
#include <Qt>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "afxwin.h"
#include "dialogs/CodecList.h"
#include "mfc/ModalDriver.h"
#include "support/QtApp.h"

class QWidget;

namespace dialogs_test {

using pcvr_test::EnsureApplication;

// Runs dialog.DoModal() with steps acting on it; steps that leave it open
// fail the test and close it, so no test waits for a person.
INT_PTR RunModal(CDialog& dialog, const std::function<void(mfc::ModalDriver&)>& steps);

// Runs action (a press that opens a nested dialog) with nestedSteps
// driving the nested dialog.
void WithNestedDialog(const std::function<void(mfc::ModalDriver&)>& nestedSteps, const std::function<void()>& action);

using pcvr_test::PressKey;

// Where the suites leave pictures of the dialogs for a person to look at.
std::filesystem::path ImageDir();

// One compressor of a scripted list.
struct ScriptedCodec {
  DWORD fccHandler = 0;
  std::u16string description;
  bool answersKeyFrameRate = true;
  DWORD keyFrameRate = 0;
  bool answersQuality = true;
  DWORD quality = 0;
  bool opens = true;
  bool describes = true;
};

// Makes EnumerateCodecs enumerate the given compressors while it lives, and
// counts what the enumeration did to them.
class ScriptedCompressors {
 public:
  explicit ScriptedCompressors(std::vector<ScriptedCodec> codecs);
  ~ScriptedCompressors();
  ScriptedCompressors(const ScriptedCompressors&) = delete;
  ScriptedCompressors& operator=(const ScriptedCompressors&) = delete;

  int opened() const;
  int closed() const;
  bool onlyQueryMode() const;
};

DWORD Fourcc(const char (&code)[5]);

// A compressor that answers both queries.
ScriptedCodec Codec(const char (&fcc)[5], std::u16string description, DWORD keyFrameRate, DWORD quality);

}  // namespace dialogs_test
