// The installed Video for Windows compressors as the options dialogs offer
// them, and the frame rates offered for the chosen one.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "afxwin.h"
#include "vfw.h"

// One listed compressor. Copies byte for byte.
struct CodecEntry {
  ICINFO info{};
  DWORD defaultQuality = 0;
  DWORD defaultKeyFrameRate = 0;

  void clear();
};

// The compressors of one list, in enumeration order, and each one's
// description mapped to its position (descriptions compared by UTF-16 code
// units, as wcscmp does).
struct CodecList {
  std::vector<CodecEntry> entries;
  std::map<std::u16string, DWORD> indexByDescription;
};

// The rates that can be offered: 1, 3, 5, 7, 10, 15 and 20 with their texts.
using FrameRateChoices = std::map<DWORD, std::u16string>;
void FillFrameRateChoices(FrameRateChoices& choices);

// The compressor manager that codecs are enumerated from: the Video for
// Windows functions, or a stand-in a test sets with SetCompressorManager.
struct CompressorManager {
  BOOL (*info)(DWORD fccType, DWORD fccHandler, ICINFO* info);
  HIC (*open)(DWORD fccType, DWORD fccHandler, UINT mode);
  LRESULT (*getInfo)(HIC compressor, ICINFO* info, DWORD size);
  LRESULT (*sendMessage)(HIC compressor, UINT message, DWORD_PTR param1, DWORD_PTR param2);
  LRESULT (*close)(HIC compressor);
};
const CompressorManager& InstalledCompressors();
// The manager EnumerateCodecs uses by default; a null argument goes back to
// the installed compressors. Returns the previous one. Main thread only.
const CompressorManager* SetCompressorManager(const CompressorManager* manager);
const CompressorManager& CurrentCompressorManager();

// Appends the compressors that open in query mode and describe themselves
// to list, skipping a description already listed. Each default query is
// answered into answerCell, which is read back whatever the compressor
// answered: one that does not answer inherits the cell's previous value.
void EnumerateCodecs(CodecList& list, DWORD& answerCell);
void EnumerateCodecs(CodecList& list, DWORD& answerCell, const CompressorManager& manager);

// The compressor listed under text, else the one whose description comes
// first in wcscmp order. A cleared entry for an empty list.
CodecEntry FindCodecByDescription(const CodecList& list, LPCWSTR text);

// Rebuilds an "FPS:" list: the rates not above the compressor's default
// key-frame rate, the one equal to it selected, else the first.
void FillFrameRateCombo(CComboBox& combo, const CodecEntry& entry, const FrameRateChoices& choices);

// The description of a compressor as the lists show it.
std::u16string CodecDescription(const ICINFO& info);
