// Reads AVI files back with Debian's ffprobe and ffmpeg, the independent
// decoder the tests trust.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace avitest {

// Output of a shell command, or the empty string when it fails.
std::string Run(const std::string& command, int* status = nullptr);
std::string Quote(const std::string& path);

struct StreamProbe {
  std::string codecName;
  std::string codecTag;  // as ffprobe prints it, e.g. "MJPG" or "[0][0][0][0]"
  int width = 0;
  int height = 0;
  std::string frameRate;  // r_frame_rate, e.g. "15/1"
  int decodedFrames = -1;  // frames ffprobe decoded (-count_frames)
  bool ok = false;
};
StreamProbe Probe(const std::string& path);

// Sizes of the video packets in file order.
std::vector<int> PacketSizes(const std::string& path);

// Whether ffprobe reads each video packet as a key frame, in file order.
std::vector<bool> PacketKeyFlags(const std::string& path);

// Every decoded frame as packed BGR rows, top row first.
std::vector<std::vector<std::uint8_t>> DecodeBgr(const std::string& path, int width, int height);

bool FileExists(const std::string& path);
std::string MakeTempDir();

}  // namespace avitest
