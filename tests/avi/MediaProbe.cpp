#include "MediaProbe.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace avitest {

std::string Quote(const std::string& path) {
  std::string out = "'";
  for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Run(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[1 << 16];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

StreamProbe Probe(const std::string& path) {
  StreamProbe p;
  int status = 0;
  std::string text = Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                         "stream=codec_name,codec_tag_string,width,height,r_frame_rate,nb_read_frames "
                         "-of default=noprint_wrappers=1 " +
                             Quote(path),
                         &status);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_name") p.codecName = value;
    if (key == "codec_tag_string") p.codecTag = value;
    if (key == "width") p.width = std::atoi(value.c_str());
    if (key == "height") p.height = std::atoi(value.c_str());
    if (key == "r_frame_rate") p.frameRate = value;
    if (key == "nb_read_frames") p.decodedFrames = std::atoi(value.c_str());
  }
  p.ok = status == 0 && !p.codecName.empty();
  return p;
}

std::vector<int> PacketSizes(const std::string& path) {
  std::vector<int> sizes;
  std::istringstream lines(Run("ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 " + Quote(path)));
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty()) sizes.push_back(std::atoi(line.c_str()));
  return sizes;
}

std::vector<bool> PacketKeyFlags(const std::string& path) {
  std::vector<bool> keys;
  std::istringstream lines(Run("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 " + Quote(path)));
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty()) keys.push_back(line[0] == 'K');
  return keys;
}

std::vector<std::vector<std::uint8_t>> DecodeBgr(const std::string& path, int width, int height) {
  std::string raw = Run("ffmpeg -v error -i " + Quote(path) + " -f rawvideo -pix_fmt bgr24 -");
  const size_t frameSize = static_cast<size_t>(width) * height * 3;
  std::vector<std::vector<std::uint8_t>> frames;
  for (size_t at = 0; frameSize && at + frameSize <= raw.size(); at += frameSize)
    frames.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + frameSize));
  return frames;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string MakeTempDir() {
  char templ[] = "/tmp/avitest-XXXXXX";
  const char* dir = mkdtemp(templ);
  return dir ? dir : "/tmp";
}

}  // namespace avitest
