#include "AviWalker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace avitest {
namespace {

class Walker {
 public:
  explicit Walker(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~Walker() {
    if (m_fd >= 0) ::close(m_fd);
  }

  AviLayout walk() {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return fail("cannot open"), out;
    std::int64_t at = 0;
    while (at < st.st_size && out.error.empty()) {
      if (at > 0 && text(at, 4) != "RIFF") {
        fail("data after the last RIFF part");
        for (std::uint32_t size = 0; at + 8 <= st.st_size && at + 8 + (size = u32(at + 4)) <= st.st_size;
             at += 8 + size + (size & 1))
          out.framesPastTree += text(at, 4).compare(0, 3, "00d") == 0;
        return out;
      }
      if (text(at, 4) != "RIFF" || text(at + 8, 4) != (at == 0 ? "AVI " : "AVIX"))
        return fail("no RIFF part at " + std::to_string(at)), out;
      const std::int64_t end = at + 8 + u32(at + 4);
      if (end > st.st_size) return fail("RIFF part runs past the file"), out;
      out.framesPerPart.push_back(0);
      children(at + 12, end);
      at = end;
    }
    resolveIndexes();
    return out;
  }

 private:
  void fail(const std::string& why) {
    if (out.error.empty()) out.error = why;
  }
  std::string text(std::int64_t at, int n) const {
    std::string s(static_cast<size_t>(n), '\0');
    return ::pread(m_fd, s.data(), s.size(), at) == n ? s : std::string();
  }
  std::uint32_t u32(std::int64_t at) const {
    unsigned char b[4] = {};
    return ::pread(m_fd, b, 4, at) == 4 ? b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24) : 0;
  }
  std::uint16_t u16(std::int64_t at) const { return static_cast<std::uint16_t>(u32(at) & 0xFFFF); }

  // Chunks in [at, end); each padded to an even size, the last one ending at end.
  void children(std::int64_t at, std::int64_t end) {
    while (at < end && out.error.empty()) {
      const std::string id = text(at, 4);
      const std::uint32_t size = u32(at + 4);
      const std::int64_t next = at + 8 + size + (size & 1), data = at + 8;
      if (next > end) return fail(id + " chunk at " + std::to_string(at) + " runs past its parent");
      if (id == "LIST") {
        if (text(data, 4) == "movi") m_movi.push_back(data);
        children(data + 4, next);
      } else if (id == "avih") {
        out.avihMicroSecPerFrame = u32(data);
        out.avihFlags = u32(data + 12);
        out.avihTotalFrames = u32(data + 16);
        out.avihSuggestedBuffer = u32(data + 28);
      } else if (id == "strh" && ++m_streams == 1) {
        out.strhScale = u32(data + 20);
        out.strhRate = u32(data + 24);
        out.strhLength = u32(data + 32);
        out.strhSuggestedBuffer = u32(data + 36);
      } else if (id == "strf" && m_streams == 1) {
        out.biWidth = static_cast<std::int32_t>(u32(data + 4));
        out.biHeight = static_cast<std::int32_t>(u32(data + 8));
        out.biBitCount = u16(data + 14);
        out.biCompression = u32(data + 16);
        out.biSizeImage = u32(data + 20);
      } else if (id == "dmlh") {
        out.dmlhTotalFrames = u32(data);
      } else if (id == "idx1") {
        m_idx1 = {data, size};
      } else if (id.compare(0, 2, "ix") == 0) {
        m_ix.emplace_back(data, size);
      } else if (id == "00db" || id == "00dc") {
        m_chunkAt[at] = out.frames.size();
        out.frames.push_back({id, at, size});
        ++out.framesPerPart.back();
      }
      at = next;
    }
  }

  void check(const std::string& id, std::int64_t chunk, std::uint32_t size, const char* index) {
    auto it = m_chunkAt.find(chunk);
    if (it == m_chunkAt.end() || out.frames[it->second].size != size ||
        (!id.empty() && out.frames[it->second].id != id))
      fail(std::string(index) + " entry for " + std::to_string(chunk) + " points at no chunk of its id and size");
  }

  void resolveIndexes() {
    if (!out.error.empty() || m_movi.empty()) return;
    // idx1 offsets count from the first movi list's type field.
    out.idx1Present = m_idx1.first > 0;
    for (std::uint32_t k = 0; out.idx1Present && k + 16 <= m_idx1.second; k += 16) {
      const std::int64_t e = m_idx1.first + k;
      check(text(e, 4), m_movi.front() + u32(e + 8), u32(e + 12), "idx1");
      out.idx1Key.push_back((u32(e + 4) & 0x10) != 0);
    }
    // ix## entries hold the offset of the chunk's data from a base.
    for (const auto& [data, size] : m_ix) {
      const std::uint32_t used = u32(data + 4);
      const std::string id = text(data + 8, 4);
      const std::int64_t base = static_cast<std::int64_t>(u32(data + 12)) | (std::int64_t{u32(data + 16)} << 32);
      for (std::uint32_t k = 0; k < used && 24 + 8 * (k + 1) <= size; ++k) {
        const std::uint32_t length = u32(data + 24 + 8 * k + 4);
        check(id, base + u32(data + 24 + 8 * k) - 8, length & 0x7FFFFFFFu, "ix");
        out.ixKey.push_back((length & 0x80000000u) == 0);
      }
    }
  }

  int m_fd;
  int m_streams = 0;
  std::vector<std::int64_t> m_movi;
  std::pair<std::int64_t, std::uint32_t> m_idx1{0, 0};
  std::vector<std::pair<std::int64_t, std::uint32_t>> m_ix;
  std::map<std::int64_t, size_t> m_chunkAt;
  AviLayout out;
};

}  // namespace

AviLayout WalkAvi(const std::string& path) { return Walker(path).walk(); }

std::string CheckAviAgrees(const AviLayout& avi, int frames, std::uint32_t rate, bool uncompressed, bool completed) {
  std::string problems = avi.error;
  const auto expect = [&](bool ok, const std::string& what) {
    if (!ok) problems += (problems.empty() ? "" : "; ") + what;
  };
  const auto n = static_cast<std::uint32_t>(frames);
  expect(avi.frames.size() == n, "movi holds " + std::to_string(avi.frames.size()) + " frames");
  expect(avi.avihTotalFrames == static_cast<std::uint32_t>(avi.framesPerPart.empty() ? 0 : avi.framesPerPart[0]),
         "avih.dwTotalFrames " + std::to_string(avi.avihTotalFrames) + " is not the first part's count");
  expect(avi.strhLength == n, "strh.dwLength " + std::to_string(avi.strhLength));
  expect(avi.framesPerPart.size() < 2 || avi.dmlhTotalFrames == frames,
         "dmlh.dwTotalFrames " + std::to_string(avi.dmlhTotalFrames));
  expect(avi.strhScale == 1 && avi.strhRate == rate,
         "strh rate " + std::to_string(avi.strhRate) + "/" + std::to_string(avi.strhScale));
  expect(avi.avihMicroSecPerFrame == (1000000 + rate / 2) / rate,
         "avih.dwMicroSecPerFrame " + std::to_string(avi.avihMicroSecPerFrame));
  expect((avi.avihFlags & 0x800) == 0, "AVIF_TRUSTCKTYPE set");
  const std::int64_t rowBytes = (std::int64_t{avi.biWidth} * avi.biBitCount + 31) / 32 * 4;
  expect(avi.biSizeImage == rowBytes * std::abs(avi.biHeight), "biSizeImage " + std::to_string(avi.biSizeImage));
  std::uint32_t largest = 0;
  for (const auto& f : avi.frames) {
    largest = std::max(largest, f.size);
    expect(f.id == (uncompressed ? "00db" : "00dc"), "a chunk named " + f.id);
  }
  expect(avi.avihSuggestedBuffer >= largest && avi.strhSuggestedBuffer >= largest,
         "suggested buffer below the largest chunk");
  // AVIF_HASINDEX only where there is an index to trust.
  expect(((avi.avihFlags & 0x10) != 0) == completed,
         completed ? "AVIF_HASINDEX missing" : "AVIF_HASINDEX without an index");
  if (!completed) return problems;
  // idx1 covers the first part, the ix## chunks every part.
  expect(avi.idx1Present, "no idx1");
  expect(avi.idx1Key.size() == static_cast<size_t>(avi.framesPerPart.empty() ? 0 : avi.framesPerPart[0]),
         "idx1 entries");
  expect(avi.framesPerPart.size() < 2 || avi.ixKey.size() == n, "ix entries");
  expect(std::count(avi.idx1Key.begin(), avi.idx1Key.end(), false) == 0 &&
             std::count(avi.ixKey.begin(), avi.ixKey.end(), false) == 0,
         "an index entry that is not a key frame");
  return problems;
}

}  // namespace avitest
