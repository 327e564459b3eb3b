#include "movie/AviMovieWriter.h"

#include <cstring>

#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

constexpr const char16_t* kSucceeded = u"Method Succeeded";
constexpr const char16_t* kNoDc = u"Unable to Create Compatible DC";
constexpr const char16_t* kNoFile = u"Unable to Create the Movie File";
constexpr const char16_t* kNoStream = u"Unable to Create Video Stream in the Movie File";
constexpr const char16_t* kNoCompressedStream = u"Unable to Create Compressed Stream: Check your CODEC options";
constexpr const char16_t* kNoFormat = u"Unable to Set Video Stream Format";
constexpr const char16_t* kNoMemory = u"Unable to Allocate Memory on Heap";
constexpr const char16_t* kNotWritten = u"Unable to Write Video Stream to the output Movie File";
constexpr const char16_t* kNameTooLong =
    u"Unable to Create the Movie File: the File Name is Longer than 259 Characters";
constexpr const char16_t* kBadBitmap = u"Unable to Read the Frame: not a 24- or 32-bit Bitmap";
constexpr const char16_t* kFrameDiffers = u"Frame Size or Colour Depth Differs from the First Frame";

LONG RowBytes(LONG width, WORD bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Width, height and depth of a bitmap the writer can take, or false.
bool ReadBitmapFormat(HBITMAP bitmap, LONG* width, LONG* height, WORD* bitCount) {
  BITMAP bm{};
  if (!bitmap || GetObjectW(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm)) return false;
  if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || (bm.bmBitsPixel != 24 && bm.bmBitsPixel != 32)) return false;
  *width = bm.bmWidth;
  *height = bm.bmHeight;
  *bitCount = bm.bmBitsPixel;
  return true;
}

}  // namespace

AviMovieWriter::AviMovieWriter(LPCWSTR fileName, DWORD codec, DWORD frameRate, LONG quality)
    : m_frameRate(frameRate), m_codec(codec), m_quality(quality) {
  AVIFileInit();
  m_aviLibraryHeld = true;
  win32::CopyWide(kSucceeded, m_lastError, MAX_PATH);
  const std::size_t length = fileName ? win32::WideLength(fileName) : 0;
  if (length >= MAX_PATH) {
    // Cutting the name would write some other file; refuse instead.
    setLastError(kNameTooLong);
    m_state = Failed;
    return;
  }
  if (fileName) win32::CopyWide(std::u16string_view(fileName, length), m_fileName, MAX_PATH);
}

AviMovieWriter::~AviMovieWriter() {
  if (m_aviDC) releaseStreams();
  // Each writer took one AVIFileInit and gives it back, also when its file
  // was already released after a failure or never opened.
  if (m_aviLibraryHeld) AVIFileExit();
}

void AviMovieWriter::setLastError(const char16_t* text) { win32::CopyWide(text, m_lastError, MAX_PATH); }

void AviMovieWriter::releaseStreams() {
  m_state = Failed;
  if (m_aviDC) {
    DeleteDC(m_aviDC);
    m_aviDC = nullptr;
  }
  m_compressedStream.reset();
  m_stream.reset();
  m_aviFile.reset();  // completes the file on disk
  if (m_frameBuffer) {
    GlobalFree(m_frameBuffer);
    m_frameBuffer = nullptr;
  }
}

bool AviMovieWriter::createStreams() {
  const LONG w = m_width, h = m_height;
  const WORD b = m_bitCount;
  const LONG rowBytes = RowBytes(w, b);

  m_aviDC = CreateCompatibleDC(nullptr);
  if (!m_aviDC) {
    setLastError(kNoDc);
    return false;
  }
  if (AVIFileOpenW(ReceiveInto(m_aviFile), m_fileName, OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) {
    setLastError(kNoFile);
    return false;
  }

  std::memset(&m_streamInfo, 0, sizeof m_streamInfo);
  m_streamInfo.fccType = streamtypeVIDEO;
  m_streamInfo.fccHandler = m_codec;
  m_streamInfo.dwScale = 1;
  m_streamInfo.dwRate = m_frameRate;
  m_streamInfo.dwQuality = static_cast<DWORD>(m_quality);
  m_streamInfo.dwSuggestedBufferSize = static_cast<DWORD>(w) * h * b / 8;
  m_streamInfo.rcFrame = RECT{0, 0, w, h};
  win32::CopyWide(u"Video Stream", m_streamInfo.szName, 64);
  if (AVIFileCreateStreamW(m_aviFile.get(), ReceiveInto(m_stream), &m_streamInfo) != AVIERR_OK) {
    setLastError(kNoStream);
    return false;
  }

  std::memset(&m_compressOptions, 0, sizeof m_compressOptions);
  m_compressOptions.fccType = streamtypeVIDEO;
  m_compressOptions.fccHandler = m_codec;
  m_compressOptions.dwKeyFrameEvery = 1;
  m_compressOptions.dwQuality = static_cast<DWORD>(m_quality);
  m_compressOptions.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
  HRESULT hr = AVIMakeCompressedStream(ReceiveInto(m_compressedStream), m_stream.get(), &m_compressOptions, nullptr);
  if (hr == AVIERR_NOCOMPRESSOR) {
    // No such compressor: the frames go into the file as they are.
    AVIStreamAddRef(m_stream.get());
    m_compressedStream.reset(m_stream.get());
  } else if (hr != AVIERR_OK) {
    setLastError(kNoCompressedStream);
    return false;
  }

  BITMAPINFOHEADER format{};
  format.biSize = sizeof format;
  format.biWidth = w;
  format.biHeight = h;
  format.biPlanes = 1;
  format.biBitCount = b;
  format.biCompression = BI_RGB;
  format.biSizeImage = static_cast<DWORD>(h) * rowBytes;
  if (AVIStreamSetFormat(m_compressedStream.get(), 0, &format, sizeof format) != AVIERR_OK) {
    setLastError(kNoFormat);
    return false;
  }

  m_frameBuffer = GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(h) * rowBytes);
  if (!m_frameBuffer) {
    setLastError(kNoMemory);
    return false;
  }
  return true;
}

HRESULT AviMovieWriter::writeFrame(HBITMAP bitmap) {
  const void* pixels = m_frameBuffer;
  LONG size = 0;
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) == static_cast<int>(sizeof section) &&
      section.dsBm.bmBits != nullptr && section.dsBmih.biWidth == m_width && section.dsBmih.biHeight == m_height &&
      section.dsBmih.biBitCount == m_bitCount) {
    // A bottom-up DIB section already holds its rows as the stream format
    // gives them: they go to the stream as they are, and the compressor's
    // colour conversion is the one copy the frame takes on its way to the
    // file.
    pixels = section.dsBm.bmBits;
    size = static_cast<LONG>(section.dsBmih.biSizeImage);
  } else {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!GetDIBits(m_aviDC, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS)) {
      setLastError(kBadBitmap);
      return E_FAIL;
    }
    // The buffer and the stream format were sized by the first frame.
    if (info.bmiHeader.biWidth != m_width || info.bmiHeader.biHeight != m_height ||
        info.bmiHeader.biBitCount != m_bitCount) {
      setLastError(kFrameDiffers);
      return E_FAIL;
    }
    info.bmiHeader.biCompression = BI_RGB;
    const int rows = GetDIBits(m_aviDC, bitmap, 0, static_cast<UINT>(m_height), m_frameBuffer, &info, DIB_RGB_COLORS);
    if (rows != m_height) {
      setLastError(kBadBitmap);
      return E_FAIL;
    }
    size = static_cast<LONG>(info.bmiHeader.biSizeImage);
  }

  const DWORD index = m_frameIndex++;
  HRESULT hr = AVIStreamWrite(m_compressedStream.get(), static_cast<LONG>(index), 1, const_cast<void*>(pixels), size, 0,
                              nullptr, nullptr);
  if (hr != AVIERR_OK) {
    setLastError(kNotWritten);
    releaseStreams();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT AviMovieWriter::appendFrame(HBITMAP bitmap) {
  switch (m_state) {
    case WaitingForFirstFrame: {
      LONG w = 0, h = 0;
      WORD b = 0;
      if (!ReadBitmapFormat(bitmap, &w, &h, &b)) {
        setLastError(kBadBitmap);
        return E_FAIL;
      }
      m_width = w;
      m_height = h;
      m_bitCount = b;
      if (!createStreams()) {
        releaseStreams();
        return E_FAIL;
      }
      m_state = Writing;
      return writeFrame(bitmap);
    }
    case Writing: {
      LONG w = 0, h = 0;
      WORD b = 0;
      if (!ReadBitmapFormat(bitmap, &w, &h, &b)) {
        setLastError(kBadBitmap);
        return E_FAIL;
      }
      if (w != m_width || h != m_height || b != m_bitCount) {
        setLastError(kFrameDiffers);
        return E_FAIL;
      }
      return writeFrame(bitmap);
    }
    default:
      return E_FAIL;
  }
}
