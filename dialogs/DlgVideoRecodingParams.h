// The "Video recording options" dialog that START_VIDEO_RECORDING shows: the
// output file, the window, the compressor, the frame rate and the start
// delay of a live recording.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "afxwin.h"
#include "dialogs/CodecList.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/VideoRecordingParams.h"

// One offered window and the compressors offered while it is chosen.
struct WindowChoice {
  CaptureTarget target;
  CodecList codecs;
};

// Construct with the caller's windows (not owned; they must stay valid
// while the dialog runs; null offers none), run DoModal, and after IDOK copy
// m_params. Every opening starts from the same values.
class CDlgVideoRecodingParams : public CDialog {
  DECLARE_DYNAMIC(CDlgVideoRecodingParams)
 public:
  explicit CDlgVideoRecodingParams(const std::vector<CaptureTarget>* targets, CWnd* parent = nullptr);
  ~CDlgVideoRecodingParams() override;

  std::u16string m_path;
  const std::vector<CaptureTarget>* m_targets;
  std::map<std::u16string, WindowChoice> m_choices;
  WindowChoice* m_current = nullptr;  // the chosen window; none until the lists are filled
  FrameRateChoices m_frameRates;
  VideoRecordingParams m_params;
  CEdit m_editPath;
  CComboBox m_comboCodec;
  CComboBox m_comboFps;
  CComboBox m_comboWindow;
  CNumericEdit m_editStartDelay;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  afx_msg void OnCbnSelchangeCodec();
  afx_msg void OnCbnSelchangeWindow();
  afx_msg void OnBnClickedOk();
  afx_msg void OnBnClickedCancel();
  afx_msg void OnBnClickedBrowse();

  DECLARE_MESSAGE_MAP()

 private:
  void FillCodecCombo();
  WindowChoice* ChoiceNamedInWindowCombo();

  // The compressors' answers to the default queries, shared by every
  // instance of this dialog for the life of the module.
  static DWORD s_codecAnswer;
};
