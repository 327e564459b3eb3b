// A reader of our own for AVI files: walks the RIFF chunk tree of every part
// and resolves the idx1 and OpenDML ix## entries to the chunks they point at,
// so that tests check the header fields a Video for Windows reader trusts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pcvr_test {

struct AviLayout {
  // The first thing found wrong: a chunk running past its parent or the file,
  // "data after the last RIFF part", an index entry that points at no chunk
  // of its id and size, a super index (indx) naming other chunks than its ix##
  // chunks do. Empty when the tree is sound.
  std::string error;
  std::uint32_t avihMicroSecPerFrame = 0, avihFlags = 0, avihTotalFrames = 0, avihSuggestedBuffer = 0;
  std::uint32_t strhScale = 0, strhRate = 0, strhLength = 0, strhSuggestedBuffer = 0;  // first stream
  std::int32_t biWidth = 0, biHeight = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biSizeImage = 0;
  std::int64_t dmlhTotalFrames = -1;  // -1: no odml list
  struct Frame {
    std::string id;  // "00db", "00dc"
    std::int64_t offset = 0;
    std::uint32_t size = 0;
  };
  std::vector<Frame> frames;         // the movi chunks of the first stream, in file order
  std::vector<int> framesPerPart;    // of each RIFF part
  std::vector<bool> idx1Key, ixKey;  // key-frame flags of the index entries, in file order
  bool idx1Present = false;
  int framesPastTree = 0;  // whole frame chunks after the last RIFF part, as a killed writer leaves them
};

AviLayout WalkAvi(const std::string& path);

// Empty when header, chunk names and indexes agree with `frames` key frames at
// `rate` a second; else what disagrees. An uncompleted file has no index.
std::string CheckAviAgrees(const AviLayout& avi, int frames, std::uint32_t rate, bool uncompressed,
                           bool completed = true);

}  // namespace pcvr_test
