#include "AviWalker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace pcvr_test {
namespace {

struct Walker {
  explicit Walker(int file) : fd(file) {}
  int fd;
  std::int64_t fileSize = 0;
  AviLayout out;
  int streams = 0;
  std::vector<std::int64_t> movi;
  std::pair<std::int64_t, std::uint32_t> idx1{0, 0};
  std::vector<std::pair<std::int64_t, std::uint32_t>> ix, indx;
  std::map<std::int64_t, size_t> chunkAt;

  std::int64_t size() const { return fileSize; }
  std::string text(std::int64_t at) const {
    std::string s(4, '\0');
    return ::pread(fd, s.data(), 4, at) == 4 ? s : std::string();
  }
  std::uint32_t u32(std::int64_t at) const {
    unsigned char b[4] = {};
    return ::pread(fd, b, 4, at) == 4 ? b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24) : 0;
  }
  void fail(const std::string& why) {
    if (out.error.empty()) out.error = why;
  }

  // Chunks in [at, end); each padded to an even size, none running past end.
  void children(std::int64_t at, std::int64_t end) {
    for (std::int64_t next; at < end && out.error.empty(); at = next) {
      const std::string id = text(at);
      const std::uint32_t n = u32(at + 4);
      const std::int64_t data = at + 8;
      next = data + n + (n & 1);
      if (next > end) return fail(id + " chunk at " + std::to_string(at) + " runs past its parent");
      if (id == "LIST") {
        if (text(data) == "movi") movi.push_back(data);
        children(data + 4, next);
      } else if (id == "avih") {
        out.avihMicroSecPerFrame = u32(data);
        out.avihFlags = u32(data + 12);
        out.avihTotalFrames = u32(data + 16);
        out.avihSuggestedBuffer = u32(data + 28);
      } else if (id == "strh" && ++streams == 1) {
        out.strhScale = u32(data + 20);
        out.strhRate = u32(data + 24);
        out.strhLength = u32(data + 32);
        out.strhSuggestedBuffer = u32(data + 36);
      } else if (id == "strf" && streams == 1) {
        out.biWidth = static_cast<std::int32_t>(u32(data + 4));
        out.biHeight = static_cast<std::int32_t>(u32(data + 8));
        out.biBitCount = static_cast<std::uint16_t>(u32(data + 14));
        out.biSizeImage = u32(data + 20);
      } else if (id == "dmlh") {
        out.dmlhTotalFrames = u32(data);
      } else if (id == "idx1") {
        idx1 = {data, n};
      } else if (id == "indx") {
        indx.emplace_back(data, n);
      } else if (id.compare(0, 2, "ix") == 0) {
        ix.emplace_back(data, n);
      } else if (id == "00db" || id == "00dc") {
        chunkAt[at] = out.frames.size();
        out.frames.push_back({id, at, n});
        ++out.framesPerPart.back();
      }
    }
  }

  void check(const std::string& id, std::int64_t chunk, std::uint32_t n, const char* index) {
    auto it = chunkAt.find(chunk);
    if (it == chunkAt.end() || out.frames[it->second].size != n || (!id.empty() && out.frames[it->second].id != id))
      fail(std::string(index) + " entry for " + std::to_string(chunk) + " points at no chunk of its id and size");
  }

  AviLayout walk() {
    for (std::int64_t at = 0; at < size() && out.error.empty();) {
      if (at > 0 && text(at) != "RIFF") {
        fail("data after the last RIFF part");
        for (std::uint32_t n = 0; at + 8 + (n = u32(at + 4)) <= size(); at += 8 + n + (n & 1))
          out.framesPastTree += text(at).compare(0, 3, "00d") == 0;
        return out;
      }
      if (text(at) != "RIFF" || text(at + 8) != (at == 0 ? "AVI " : "AVIX"))
        return fail("no RIFF part at " + std::to_string(at)), out;
      const std::int64_t end = at + 8 + u32(at + 4);
      if (end > size()) return fail("RIFF part runs past the file"), out;
      out.framesPerPart.push_back(0);
      children(at + 12, end);
      at = end;
    }
    if (size() == 0) fail("cannot read the file");
    if (!out.error.empty() || movi.empty()) return out;
    // idx1 offsets count from the first movi list's type field.
    out.idx1Present = idx1.first > 0;
    for (std::uint32_t k = 0; out.idx1Present && k + 16 <= idx1.second; k += 16) {
      const std::int64_t e = idx1.first + k;
      check(text(e), movi.front() + u32(e + 8), u32(e + 12), "idx1");
      out.idx1Key.push_back((u32(e + 4) & 0x10) != 0);
    }
    // ix## entries hold the offset of the chunk's data from a 64-bit base.
    for (const auto& [data, n] : ix) {
      const std::int64_t base = u32(data + 12) | (std::int64_t{u32(data + 16)} << 32);
      for (std::uint32_t k = 0; k < u32(data + 4) && 24 + 8 * (k + 1) <= n; ++k) {
        const std::uint32_t length = u32(data + 28 + 8 * k);
        check(text(data + 8), base + u32(data + 24 + 8 * k) - 8, length & 0x7FFFFFFFu, "ix");
        out.ixKey.push_back((length & 0x80000000u) == 0);
      }
    }
    // The super index lists every ix## chunk and names the chunks as they do.
    for (const auto& [data, n] : indx) {
      std::uint32_t k = 0;
      for (; k < u32(data + 4) && 24 + 16 * (k + 1) <= n; ++k) {
        const std::int64_t at = u32(data + 24 + 16 * k) | (std::int64_t{u32(data + 28 + 16 * k)} << 32);
        if (text(at).compare(0, 2, "ix") != 0 || text(at + 16) != text(data + 8))
          fail("indx names " + text(data + 8) + " chunks, its ix chunk at " + std::to_string(at) + " " + text(at + 16));
      }
      if (k != ix.size())
        fail("indx lists " + std::to_string(k) + " of the " + std::to_string(ix.size()) + " ix chunks");
    }
    return out;
  }
};

}  // namespace

AviLayout WalkAvi(const std::string& path) {
  Walker w(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (w.fd >= 0 && ::fstat(w.fd, &st) == 0) w.fileSize = st.st_size;
  AviLayout out = w.walk();
  if (w.fd >= 0) ::close(w.fd);
  return out;
}

std::string CheckAviAgrees(const AviLayout& avi, int frames, std::uint32_t rate, bool uncompressed, bool completed) {
  std::string problems = avi.error;
  const auto expect = [&](bool ok, const std::string& what) {
    if (!ok) problems += (problems.empty() ? "" : "; ") + what;
  };
  const auto n = static_cast<std::uint32_t>(frames);
  const int firstPart = avi.framesPerPart.empty() ? 0 : avi.framesPerPart[0];
  const bool odml = avi.framesPerPart.size() > 1;
  expect(avi.frames.size() == n, "movi holds " + std::to_string(avi.frames.size()) + " frames");
  expect(avi.avihTotalFrames == static_cast<std::uint32_t>(firstPart),
         "avih.dwTotalFrames " + std::to_string(avi.avihTotalFrames));
  expect(avi.strhLength == n, "strh.dwLength " + std::to_string(avi.strhLength));
  expect(!odml || avi.dmlhTotalFrames == frames, "dmlh.dwTotalFrames " + std::to_string(avi.dmlhTotalFrames));
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
  // AVIF_HASINDEX only where there is an index to trust: idx1 covering the
  // first part, ix## chunks every part.
  expect(((avi.avihFlags & 0x10) != 0) == completed,
         completed ? "AVIF_HASINDEX missing" : "AVIF_HASINDEX without an index");
  if (!completed) return problems;
  expect(avi.idx1Present && avi.idx1Key.size() == static_cast<size_t>(firstPart), "idx1 entries");
  expect(!odml || avi.ixKey.size() == n, "ix entries");
  expect(std::count(avi.idx1Key.begin(), avi.idx1Key.end(), false) +
                 std::count(avi.ixKey.begin(), avi.ixKey.end(), false) ==
             0,
         "an index entry that is not a key frame");
  return problems;
}

}  // namespace pcvr_test
