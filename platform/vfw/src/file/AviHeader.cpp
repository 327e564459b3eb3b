#include "AviHeader.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "FfmpegTies.h"

namespace vfw::detail {
namespace {

using ffmpeg::kOpenSize;                          // what the muxer writes before it knows a size
constexpr std::uint32_t kHasIndex = 0x10;         // AVIF_HASINDEX
constexpr std::uint32_t kTrustChunkType = 0x800;  // AVIF_TRUSTCKTYPE

// Offsets inside the chunks' data.
constexpr int kAvihMicroSecPerFrame = 0, kAvihFlags = 12, kAvihTotalFrames = 16, kAvihSuggestedBuffer = 28;
constexpr int kStrhLength = 32, kStrhSuggestedBuffer = 36;
constexpr int kBihWidth = 4, kBihHeight = 8, kBihBitCount = 14, kBihSizeImage = 20;
constexpr int kIndexEntries = 4, kIndexChunkId = 8, kSuperIndexTable = 24;

bool Read(int fd, std::int64_t at, void* data, std::size_t size) {
  return at >= 0 && ::pread(fd, data, size, at) == static_cast<ssize_t>(size);
}

bool Write(int fd, std::int64_t at, const void* data, std::size_t size) {
  return at >= 0 && ::pwrite(fd, data, size, at) == static_cast<ssize_t>(size);
}

bool ReadLe32(int fd, std::int64_t at, std::uint32_t* value) {
  std::uint8_t bytes[4];
  if (!Read(fd, at, bytes, 4)) return false;
  *value = AV_RL32(bytes);
  return true;
}

bool WriteLe32(int fd, std::int64_t at, std::uint32_t value) {
  std::uint8_t bytes[4];
  AV_WL32(bytes, value);
  return Write(fd, at, bytes, 4);
}

// A chunk header: its four-character code, its data size and, for RIFF and
// LIST, the list type.
struct Chunk {
  char id[4];
  std::uint32_t size;
  char type[4];
  bool is(const char* code) const { return std::memcmp(id, code, 4) == 0; }
  bool isList(const char* listType) const { return is("LIST") && std::memcmp(type, listType, 4) == 0; }
};

bool ReadChunk(int fd, std::int64_t at, Chunk* chunk) {
  std::uint8_t bytes[12] = {};
  if (::pread(fd, bytes, sizeof bytes, at) < 8) return false;
  std::memcpy(chunk->id, bytes, 4);
  chunk->size = AV_RL32(bytes + 4);
  std::memcpy(chunk->type, bytes + 8, 4);
  return true;
}

std::int64_t Next(std::int64_t at, std::uint32_t size) { return at + 8 + size + (size & 1); }

// The index chunk id of stream `index`, compressed (NNdc) or not (NNdb).
void ChunkId(std::size_t index, bool uncompressed, char out[4]) {
  out[0] = static_cast<char>('0' + index / 10);
  out[1] = static_cast<char>('0' + index % 10);
  out[2] = 'd';
  out[3] = uncompressed ? 'b' : 'c';
}

}  // namespace

bool AviHeader::locate(int fd) {
  m_fd = fd;
  m_avih = m_odml = -1;
  m_streams.clear();
  Chunk riff{}, hdrl{};
  if (!ReadChunk(fd, 0, &riff) || !riff.is("RIFF") || std::memcmp(riff.type, "AVI ", 4) != 0) return false;
  if (!ReadChunk(fd, 12, &hdrl) || !hdrl.isList("hdrl") || hdrl.size == kOpenSize) return false;
  const std::int64_t hdrlEnd = 12 + 8 + static_cast<std::int64_t>(hdrl.size);
  for (std::int64_t at = 24; at + 8 <= hdrlEnd;) {
    Chunk c{};
    if (!ReadChunk(fd, at, &c)) return false;
    if (c.is("avih")) {
      m_avih = at + 8;
    } else if (c.isList("strl")) {
      StreamFields stream;
      const std::int64_t end = at + 8 + c.size;
      for (std::int64_t in = at + 12; in + 8 <= end;) {
        Chunk s{};
        if (!ReadChunk(fd, in, &s)) return false;
        if (s.is("strh")) stream.strh = in + 8;
        if (s.is("strf")) stream.strf = in + 8;
        if ((s.is("indx") || s.is(ffmpeg::kReservedChunk)) && stream.indx < 0 && s.size >= kSuperIndexTable)
          stream.indx = in;
        in = Next(in, s.size);
      }
      if (stream.strh < 0 || stream.strf < 0) return false;
      m_streams.push_back(stream);
    } else if (c.isList("odml") || (c.is(ffmpeg::kReservedChunk) && std::memcmp(c.type, "odml", 4) == 0)) {
      m_odml = at;
    }
    at = Next(at, c.size);
  }
  return m_avih >= 0 && !m_streams.empty();
}

bool AviHeader::writeFixedFields(std::uint32_t scale, std::uint32_t rate) const {
  if (m_avih < 0 || rate == 0) return false;
  std::uint32_t flags = 0;
  bool ok = ReadLe32(m_fd, m_avih + kAvihFlags, &flags) &&
            WriteLe32(m_fd, m_avih + kAvihFlags, flags & ~(kTrustChunkType | kHasIndex));
  const std::uint64_t period = (std::uint64_t{1000000} * scale + rate / 2) / rate;
  ok = ok && WriteLe32(m_fd, m_avih + kAvihMicroSecPerFrame, static_cast<std::uint32_t>(period));
  for (const StreamFields& s : m_streams) {
    std::uint8_t bih[40];
    if (!Read(m_fd, s.strf, bih, sizeof bih)) return false;
    const std::int64_t width = static_cast<std::int32_t>(AV_RL32(bih + kBihWidth));
    const std::int64_t height = static_cast<std::int32_t>(AV_RL32(bih + kBihHeight));
    const int bits = AV_RL16(bih + kBihBitCount);
    const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
    ok = ok && WriteLe32(m_fd, s.strf + kBihSizeImage, static_cast<std::uint32_t>(rowBytes * std::abs(height)));
  }
  return ok;
}

bool AviHeader::markIndexed() const {
  std::uint32_t flags = 0;
  return m_avih >= 0 && ReadLe32(m_fd, m_avih + kAvihFlags, &flags) &&
         WriteLe32(m_fd, m_avih + kAvihFlags, flags | kHasIndex);
}

bool AviHeader::writeCounts(const std::vector<StreamTally>& streams, std::int64_t firstPartFrames) const {
  if (m_avih < 0) return false;
  std::uint32_t frames = 0, largest = 0;
  bool ok = true;
  for (std::size_t i = 0; i < streams.size() && i < m_streams.size(); ++i) {
    frames = std::max(frames, streams[i].frames);
    largest = std::max(largest, streams[i].largestChunk);
    ok = ok && WriteLe32(m_fd, m_streams[i].strh + kStrhLength, streams[i].frames) &&
         WriteLe32(m_fd, m_streams[i].strh + kStrhSuggestedBuffer, streams[i].largestChunk);
  }
  const std::uint32_t firstPart = firstPartFrames >= 0 ? static_cast<std::uint32_t>(firstPartFrames) : frames;
  ok = ok && WriteLe32(m_fd, m_avih + kAvihTotalFrames, firstPart) &&
       WriteLe32(m_fd, m_avih + kAvihSuggestedBuffer, largest);
  if (firstPartFrames >= 0 && m_odml >= 0) {
    // The file has become an OpenDML one: its odml list (a JUNK chunk while
    // there was one part) holds the whole count. dmlh's data follows the
    // list header, the list type and the dmlh chunk header.
    ok = ok && Write(m_fd, m_odml, "LIST", 4) && WriteLe32(m_fd, m_odml + 20, frames);
  }
  return ok;
}

std::int64_t AviHeader::findIdx1(std::uint32_t* size) const {
  Chunk riff{};
  if (!ReadChunk(m_fd, 0, &riff) || riff.size == kOpenSize) return -1;
  const std::int64_t end = 8 + static_cast<std::int64_t>(riff.size);
  for (std::int64_t at = 12; at + 8 <= end;) {
    Chunk c{};
    if (!ReadChunk(m_fd, at, &c) || c.size == kOpenSize) return -1;
    if (c.is("idx1")) {
      *size = c.size;
      return at + 8;
    }
    at = Next(at, c.size);
  }
  return -1;
}

std::int64_t AviHeader::firstPartFrames() const {
  std::uint32_t size = 0;
  const std::int64_t idx1 = findIdx1(&size);
  if (idx1 < 0) return -1;
  std::vector<std::uint8_t> entries(size / 16 * 16);
  if (!Read(m_fd, idx1, entries.data(), entries.size())) return -1;
  std::vector<std::int64_t> perStream(m_streams.size(), 0);
  for (std::size_t at = 0; at < entries.size(); at += 16) {
    const std::size_t stream = static_cast<std::size_t>((entries[at] - '0') * 10 + (entries[at + 1] - '0'));
    if (stream < perStream.size()) ++perStream[stream];
  }
  return perStream.empty() ? 0 : *std::max_element(perStream.begin(), perStream.end());
}

bool AviHeader::markUncompressedInIndexes(const std::vector<StreamTally>& streams) const {
  bool ok = true;
  std::uint32_t size = 0;
  const std::int64_t idx1 = findIdx1(&size);
  std::vector<std::uint8_t> entries(idx1 >= 0 ? size / 16 * 16 : 0);
  if (!entries.empty() && !Read(m_fd, idx1, entries.data(), entries.size())) return false;
  bool idx1Changed = false;
  for (std::size_t i = 0; i < streams.size() && i < m_streams.size(); ++i) {
    if (!streams[i].uncompressed) continue;
    char compressed[4], plain[4];
    ChunkId(i, false, compressed);
    ChunkId(i, true, plain);
    for (std::size_t at = 0; at < entries.size(); at += 16) {
      if (std::memcmp(&entries[at], compressed, 4) != 0) continue;
      std::memcpy(&entries[at], plain, 4);
      idx1Changed = true;
    }
    Chunk indx{};
    if (m_streams[i].indx < 0 || !ReadChunk(m_fd, m_streams[i].indx, &indx) || !indx.is("indx")) continue;
    const std::int64_t data = m_streams[i].indx + 8;
    std::uint32_t used = 0;
    ok = ok && Write(m_fd, data + kIndexChunkId, plain, 4) && ReadLe32(m_fd, data + kIndexEntries, &used);
    for (std::uint32_t k = 0; ok && k < used && kSuperIndexTable + 16 * (k + 1) <= indx.size; ++k) {
      std::uint8_t offset[8];
      ok = Read(m_fd, data + kSuperIndexTable + 16 * k, offset, 8);
      const std::int64_t ix = static_cast<std::int64_t>(AV_RL64(offset));
      ok = ok && Write(m_fd, ix + 8 + kIndexChunkId, plain, 4);
    }
  }
  if (idx1Changed) ok = ok && Write(m_fd, idx1, entries.data(), entries.size());
  return ok;
}

bool AviHeader::mendOpenPart(std::int64_t end) const {
  std::int64_t riff = 0;
  for (;;) {
    Chunk part{};
    if (riff + 12 > end || !ReadChunk(m_fd, riff, &part) || !part.is("RIFF")) return false;
    const std::int64_t partEnd = Next(riff, part.size == kOpenSize ? 0 : part.size);
    Chunk next{};
    // A closed part is followed by the next one; the last part is the open
    // one, whatever size it has been given before.
    if (part.size != kOpenSize && partEnd < end && ReadChunk(m_fd, partEnd, &next) && next.is("RIFF")) {
      riff = partEnd;
      continue;
    }
    bool ok = WriteLe32(m_fd, riff + 4, static_cast<std::uint32_t>(end - riff - 8));
    for (std::int64_t at = riff + 12; at + 12 <= end;) {
      Chunk c{};
      if (!ReadChunk(m_fd, at, &c)) return false;
      if (c.isList("movi")) return ok && WriteLe32(m_fd, at + 4, static_cast<std::uint32_t>(end - at - 8));
      if (c.size == kOpenSize) return false;
      at = Next(at, c.size);
    }
    return ok;
  }
}

}  // namespace vfw::detail
