#include "dialogs/CodecList.h"

#include <cstring>

namespace {

const CompressorManager kInstalled = {&ICInfo, &ICOpen, &ICGetInfo, &ICSendMessage, &ICClose};
const CompressorManager* g_manager = &kInstalled;

}  // namespace

void CodecEntry::clear() {
  std::memset(&info, 0, sizeof(info));
  defaultQuality = 0;
  defaultKeyFrameRate = 0;
}

void FillFrameRateChoices(FrameRateChoices& choices) {
  choices.clear();
  for (const DWORD rate : {1u, 3u, 5u, 7u, 10u, 15u, 20u}) {
    const std::string text = std::to_string(rate);
    choices.emplace(rate, std::u16string(text.begin(), text.end()));
  }
}

const CompressorManager& InstalledCompressors() { return kInstalled; }

const CompressorManager* SetCompressorManager(const CompressorManager* manager) {
  const CompressorManager* previous = g_manager;
  g_manager = manager != nullptr ? manager : &kInstalled;
  return previous;
}

const CompressorManager& CurrentCompressorManager() { return *g_manager; }

std::u16string CodecDescription(const ICINFO& info) {
  std::size_t length = 0;
  while (length < std::size(info.szDescription) && info.szDescription[length] != 0) ++length;
  return std::u16string(info.szDescription, length);
}

void EnumerateCodecs(CodecList& list, DWORD& answerCell) {
  EnumerateCodecs(list, answerCell, CurrentCompressorManager());
}

void EnumerateCodecs(CodecList& list, DWORD& answerCell, const CompressorManager& manager) {
  CodecEntry working;
  working.clear();
  DWORD position = 0;
  for (DWORD index = 0; manager.info(ICTYPE_VIDEO, index, &working.info); ++index) {
    HIC compressor = manager.open(working.info.fccType, working.info.fccHandler, ICMODE_QUERY);
    if (compressor == nullptr) {
      working.clear();
      continue;
    }
    if (manager.getInfo(compressor, &working.info, sizeof(ICINFO)) != 0) {
      const std::u16string description = CodecDescription(working.info);
      if (list.indexByDescription.find(description) == list.indexByDescription.end()) {
        manager.sendMessage(compressor, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&answerCell),
                            sizeof(DWORD));
        working.defaultKeyFrameRate = answerCell;
        manager.sendMessage(compressor, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&answerCell), sizeof(DWORD));
        working.defaultQuality = answerCell;
        list.entries.push_back(working);
        list.indexByDescription.emplace(description, position++);
      }
    }
    manager.close(compressor);
    working.clear();
  }
}

CodecEntry FindCodecByDescription(const CodecList& list, LPCWSTR text) {
  CodecEntry entry;
  entry.clear();
  if (list.entries.empty()) return entry;
  DWORD position = 0;
  const std::u16string key = text != nullptr ? std::u16string(text) : std::u16string();
  const auto found = list.indexByDescription.lower_bound(key);
  if (found != list.indexByDescription.end() && found->first == key) {
    position = found->second;
  } else if (!list.indexByDescription.empty()) {
    position = list.indexByDescription.begin()->second;
  }
  entry = list.entries[0];
  if (position < list.entries.size()) entry = list.entries[position];
  return entry;
}

void FillFrameRateCombo(CComboBox& combo, const CodecEntry& entry, const FrameRateChoices& choices) {
  combo.ResetContent();
  int selection = 0;
  for (const auto& [rate, text] : choices) {
    if (rate == entry.defaultKeyFrameRate) selection = combo.GetCount();
    if (entry.defaultKeyFrameRate < rate) break;
    combo.AddString(text.c_str());
  }
  combo.SetCurSel(selection);
}
