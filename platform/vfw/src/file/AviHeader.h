// The header fields of an AVI file that this library writes over what
// libavformat's muxer put there, so that the file says what a Video for
// Windows writer says: the chunk type of uncompressed frames, the main
// header's flags and frame period, the frame counts of every part, the
// buffer sizes and the image size. Private to the vfw library.
//
// All reads and writes go to the file descriptor at fixed offsets (pread,
// pwrite), never through the muxer's I/O context, so they may come between
// two samples at any time: the muxer only appends there, and the fields it
// fills in at the end it fills in with the same values or with values these
// calls overwrite afterwards.
#pragma once

#include <cstdint>
#include <vector>

namespace vfw::detail {

class AviHeader {
 public:
  // What one stream has in the file so far.
  struct StreamTally {
    bool uncompressed = false;  // chunks named NNdb rather than NNdc
    std::uint32_t frames = 0;
    std::uint32_t largestChunk = 0;
  };

  // Finds the fields in the header at the start of fd. False when the file
  // does not start with an AVI header of the expected shape.
  bool locate(int fd);

  // Once, after the header is written: clears AVIF_TRUSTCKTYPE, and
  // AVIF_HASINDEX until there is an index, writes the frame period in
  // microseconds rounded to nearest, and gives each stream's
  // BITMAPINFOHEADER the size of its image with rows padded to four bytes.
  bool writeFixedFields(std::uint32_t scale, std::uint32_t rate) const;

  // Sets AVIF_HASINDEX, once the file has its index.
  bool markIndexed() const;

  // Frame counts and buffer sizes: dwTotalFrames of the main header (the
  // frames of the first RIFF part, which is all of them until a second part
  // starts), each stream's dwLength and dwSuggestedBufferSize, the main
  // header's dwSuggestedBufferSize, and past the first part the OpenDML
  // header with the whole count.
  bool writeCounts(const std::vector<StreamTally>& streams, std::int64_t firstPartFrames) const;

  // Renames the index entries of uncompressed streams from NNdc to NNdb in
  // idx1, in each ix## chunk the stream's super index lists, and in the
  // super index itself.
  bool markUncompressedInIndexes(const std::vector<StreamTally>& streams) const;

  // The frames the first part's idx1 lists, most of any stream; -1 while
  // the first part has no idx1.
  std::int64_t firstPartFrames() const;

  // Gives the RIFF part that is still open at `end` (the last one) and its
  // movi list the sizes up to `end`, so that a file whose writing stopped
  // there reads as an AVI without an index.
  bool mendOpenPart(std::int64_t end) const;

 private:
  int m_fd = -1;
  std::int64_t m_avih = -1;  // data of the main header
  struct StreamFields {
    std::int64_t strh = -1;  // data of the stream header
    std::int64_t strf = -1;  // data of the stream format
    std::int64_t indx = -1;  // chunk header of the super index or of its JUNK placeholder
  };
  std::vector<StreamFields> m_streams;
  std::int64_t m_odml = -1;  // chunk header of the odml list or of its JUNK placeholder

  std::int64_t findIdx1(std::uint32_t* size) const;
};

}  // namespace vfw::detail
