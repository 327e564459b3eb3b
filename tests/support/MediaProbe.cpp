#include "MediaProbe.h"

#include <cstdlib>
#include <sstream>

#include "Process.h"

namespace pcvr_test {

namespace {
// Lines of ffprobe's answer about the video stream.
std::vector<std::string> ProbeLines(const std::string& path, std::vector<std::string> options, int* status = nullptr) {
  std::vector<std::string> argv{"ffprobe", "-v", "error", "-select_streams", "v:0"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(path);
  const ProcessRun run = RunProcess(argv, kQuiet);
  if (status) *status = run.exitCode;
  std::istringstream text(run.output);
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}
}  // namespace

StreamProbe Probe(const std::string& path) {
  StreamProbe p;
  int status = 0;
  for (const std::string& line : ProbeLines(path,
                                            {"-count_frames", "-show_entries",
                                             "stream=codec_name,codec_tag_string,width,height,r_frame_rate,"
                                             "nb_read_frames",
                                             "-of", "default=noprint_wrappers=1"},
                                            &status)) {
    const auto eq = line.find('=');
    const std::string key = line.substr(0, eq), value = eq == std::string::npos ? "" : line.substr(eq + 1);
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

std::string StreamProbe::shape() const {
  return std::to_string(width) + "x" + std::to_string(height) + " " + frameRate + " " + std::to_string(decodedFrames);
}

std::vector<int> PacketSizes(const std::string& path) {
  std::vector<int> sizes;
  for (const std::string& line : ProbeLines(path, {"-show_entries", "packet=size", "-of", "csv=p=0"}))
    sizes.push_back(std::atoi(line.c_str()));
  return sizes;
}

std::vector<std::vector<std::uint8_t>> DecodeBgr(const std::string& path, int width, int height) {
  const std::string raw =
      RunProcess({"ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"}, kQuiet).output;
  const size_t frameSize = static_cast<size_t>(width) * height * 3;
  std::vector<std::vector<std::uint8_t>> frames;
  for (size_t at = 0; frameSize && at + frameSize <= raw.size(); at += frameSize)
    frames.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(at),
                        raw.begin() + static_cast<std::ptrdiff_t>(at + frameSize));
  return frames;
}

std::uint32_t Rgb(const std::vector<std::uint8_t>& frame, int width, int x, int y) {
  const std::uint8_t* p = &frame.at((static_cast<std::size_t>(y) * width + x) * 3);
  return (std::uint32_t{p[2]} << 16) | (p[1] << 8) | p[0];
}

std::uint32_t Picture::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  if (x < 0 || y < 0 || x >= width || y >= height || at + 2 >= rgb.size()) return 0xFFFFFFFFu;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

Picture DecodePicture(const std::filesystem::path& path) {
  Picture picture;
  // FFmpeg reads a "%d" in an image's name as a numbered sequence: the file
  // is read under a plain name.
  const TempDir dir("pcvr-picture-");
  const std::filesystem::path file = dir / ("picture" + path.extension().string());
  std::error_code error;
  std::filesystem::create_symlink(std::filesystem::absolute(path), file, error);
  const StreamProbe probe = Probe(file.string());
  if (!probe.ok) return picture;
  const auto run = RunProcess(
      {"ffmpeg", "-v", "error", "-i", file.string(), "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"},
      kQuiet);
  picture.codecName = probe.codecName;
  picture.width = probe.width;
  picture.height = probe.height;
  picture.rgb.assign(run.output.begin(), run.output.end());
  picture.ok = run.exitCode == 0 && picture.width > 0 &&
               picture.rgb.size() == static_cast<std::size_t>(picture.width) * picture.height * 3;
  return picture;
}

}  // namespace pcvr_test
