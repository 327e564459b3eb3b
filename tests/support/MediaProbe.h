// Reads AVI and picture files back with ffprobe and ffmpeg, the independent
// decoder the tests trust.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pcvr_test {

struct StreamProbe {
  std::string codecName;
  std::string codecTag;  // as ffprobe prints it, e.g. "MJPG" or "[0][0][0][0]"
  int width = 0, height = 0;
  std::string frameRate;   // r_frame_rate, e.g. "15/1"
  int decodedFrames = -1;  // frames ffprobe decoded (-count_frames)
  bool ok = false;
  // "WIDTHxHEIGHT RATE FRAMES", to compare at once
  std::string shape() const;
};
StreamProbe Probe(const std::string& path);

// Sizes of the video packets as ffprobe reads them, in file order. (Its
// key-frame flags are not asked: for AVI it takes them from the index, or
// sets them all for an intra-only codec, so they are no second opinion on
// the index; CheckAviAgrees reads the index itself.)
std::vector<int> PacketSizes(const std::string& path);

// Every decoded frame as packed BGR rows, top row first.
std::vector<std::vector<std::uint8_t>> DecodeBgr(const std::string& path, int width, int height);
// Pixel (x, y) of such a frame, `width` wide, as 0xRRGGBB.
std::uint32_t Rgb(const std::vector<std::uint8_t>& frame, int width, int x, int y);

struct Picture {
  bool ok = false;
  std::string codecName;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3, top row first
  // 0xRRGGBB; 0xFFFFFFFF outside the picture
  std::uint32_t pixel(int x, int y) const;
};
// The first frame of an image or video file, decoded to RGB.
Picture DecodePicture(const std::filesystem::path& file);

}  // namespace pcvr_test
