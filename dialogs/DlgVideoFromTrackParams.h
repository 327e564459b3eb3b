// The "Video recording options" dialog that VIDEO_FROM_TRACK shows: the
// output file, the compressor, the frame rate and the step speed of a video
// rendered along a trajectory.
#pragma once

#include <string>

#include "afxwin.h"
#include "dialogs/CodecList.h"
#include "dialogs/VideoRecordingParams.h"

// Construct with the window whose view is rendered, run DoModal, and after
// IDOK copy m_params and read m_stepSpeed.
//
// m_stepSpeed is the field's text read as _wtof reads it: 0.0 for text
// that is not a number, and it may be negative, infinite or not a number.
// The caller must accept only a finite step speed greater than 0.
class CDlgVideoFromTrackParams : public CDialog {
  DECLARE_DYNAMIC(CDlgVideoFromTrackParams)
 public:
  explicit CDlgVideoFromTrackParams(const CaptureTarget& target, CWnd* parent = nullptr);
  ~CDlgVideoFromTrackParams() override;

  std::u16string m_path;
  CaptureTarget m_target;
  CodecList m_codecs;
  FrameRateChoices m_frameRates;
  VideoRecordingParams m_params;
  double m_stepSpeed = 1.5;
  CEdit m_editPath;
  CComboBox m_comboCodec;
  CComboBox m_comboFps;
  CEdit m_editStepSpeed;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  afx_msg void OnCbnSelchangeCodec();
  afx_msg void OnBnClickedOk();
  afx_msg void OnBnClickedCancel();
  afx_msg void OnBnClickedBrowse();

  DECLARE_MESSAGE_MAP()

 private:
  // The compressors' answers to the default queries, shared by every
  // instance of this dialog for the life of the module.
  static DWORD s_codecAnswer;
};
