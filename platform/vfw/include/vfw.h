// The Video for Windows subset: writing AVI files (AVIFile*, AVIStream*,
// AVIMakeCompressedStream) and the installed-compressor manager (IC*).
//
// Files are written by libavformat's AVI muxer, which switches to OpenDML
// (further RIFF AVIX chunks with a two-level index) before the first RIFF
// reaches 1 GiB, so a file has no size limit short of the disk's. The
// installed compressors are libavcodec's video encoders listed in the table
// of Compressors.cpp. Every function fails through its documented return
// value (AVIERR_*, ICERR_*, null or FALSE) and never throws.
// Thread-safe for distinct files and streams; one file or stream must not be
// used by two threads at once.
#pragma once

#include "win32/Gdi.h"
#include "win32/WinTypes.h"

#define VFWAPI
#define VFW_EXPORT __attribute__((visibility("default")))

// Opaque here; Windows declares them as COM interfaces, the module only ever
// passes their pointers to the functions below.
struct IAVIFile;
struct IAVIStream;
using PAVIFILE = IAVIFile*;
using PAVISTREAM = IAVIStream*;
DECLARE_HANDLE(HIC);

#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define ICTYPE_VIDEO mmioFOURCC('v', 'i', 'd', 'c')

#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_READWRITE 0x0002
#define OF_CREATE 0x1000

#define MAKE_AVIERR(error) ((HRESULT)(0x80040000UL | (0x4000 + (error))))
#define AVIERR_OK 0
#define AVIERR_UNSUPPORTED MAKE_AVIERR(101)
#define AVIERR_BADFORMAT MAKE_AVIERR(102)
#define AVIERR_MEMORY MAKE_AVIERR(103)
#define AVIERR_INTERNAL MAKE_AVIERR(104)
#define AVIERR_BADFLAGS MAKE_AVIERR(105)
#define AVIERR_BADPARAM MAKE_AVIERR(106)
#define AVIERR_BADSIZE MAKE_AVIERR(107)
#define AVIERR_BADHANDLE MAKE_AVIERR(108)
#define AVIERR_FILEREAD MAKE_AVIERR(109)
#define AVIERR_FILEWRITE MAKE_AVIERR(110)
#define AVIERR_FILEOPEN MAKE_AVIERR(111)
#define AVIERR_COMPRESSOR MAKE_AVIERR(112)
#define AVIERR_NOCOMPRESSOR MAKE_AVIERR(113)
#define AVIERR_READONLY MAKE_AVIERR(114)
#define AVIERR_NODATA MAKE_AVIERR(115)
#define AVIERR_BUFFERTOOSMALL MAKE_AVIERR(116)
#define AVIERR_CANTCOMPRESS MAKE_AVIERR(117)
#define AVIERR_USERABORT MAKE_AVIERR(198)
#define AVIERR_ERROR MAKE_AVIERR(199)

#define AVIIF_LIST 0x00000001L
#define AVIIF_KEYFRAME 0x00000010L

#define AVICOMPRESSF_INTERLEAVE 0x00000001
#define AVICOMPRESSF_DATARATE 0x00000002
#define AVICOMPRESSF_KEYFRAMES 0x00000004
#define AVICOMPRESSF_VALID 0x00000008

struct AVISTREAMINFOW {
  DWORD fccType;
  DWORD fccHandler;
  DWORD dwFlags;
  DWORD dwCaps;
  WORD wPriority;
  WORD wLanguage;
  DWORD dwScale;
  DWORD dwRate;  // dwRate / dwScale samples per second
  DWORD dwStart;
  DWORD dwLength;
  DWORD dwInitialFrames;
  DWORD dwSuggestedBufferSize;
  DWORD dwQuality;
  DWORD dwSampleSize;
  RECT rcFrame;
  DWORD dwEditCount;
  DWORD dwFormatChangeCount;
  WCHAR szName[64];
};
static_assert(sizeof(AVISTREAMINFOW) == 204, "AVISTREAMINFOW is 204 bytes on Windows");

struct AVICOMPRESSOPTIONS {
  DWORD fccType;
  DWORD fccHandler;
  DWORD dwKeyFrameEvery;  // with AVICOMPRESSF_KEYFRAMES
  DWORD dwQuality;        // 0..10000, or ICQUALITY_DEFAULT
  DWORD dwBytesPerSecond;
  DWORD dwFlags;
  LPVOID lpFormat;
  DWORD cbFormat;
  LPVOID lpParms;
  DWORD cbParms;
  DWORD dwInterleaveEvery;
};

struct ICINFO {
  DWORD dwSize;
  DWORD fccType;
  DWORD fccHandler;
  DWORD dwFlags;
  DWORD dwVersion;
  DWORD dwVersionICM;
  WCHAR szName[16];
  WCHAR szDescription[128];
  WCHAR szDriver[128];
};
static_assert(sizeof(ICINFO) == 568, "ICINFO is 568 bytes on Windows");

#define ICVERSION 0x0104
#define ICMODE_COMPRESS 1
#define ICMODE_DECOMPRESS 2
#define ICMODE_FASTDECOMPRESS 3
#define ICMODE_QUERY 4
#define ICMODE_FASTCOMPRESS 5
#define ICMODE_DRAW 8

#define ICQUALITY_LOW 0
#define ICQUALITY_HIGH 10000
#define ICQUALITY_DEFAULT -1

#define VIDCF_QUALITY 0x0001
#define VIDCF_CRUNCH 0x0002
#define VIDCF_TEMPORAL 0x0004
#define VIDCF_COMPRESSFRAMES 0x0008
#define VIDCF_DRAW 0x0010
#define VIDCF_FASTTEMPORALC 0x0020
#define VIDCF_FASTTEMPORALD 0x0080
#define VIDCF_QUALITYTIME 0x0040

#define ICM_USER 0x4000
#define ICM_RESERVED_LOW 0x5000
#define ICM_RESERVED ICM_RESERVED_LOW
#define ICM_GETINFO (ICM_RESERVED + 2)
#define ICM_GETDEFAULTQUALITY (ICM_RESERVED + 30)
#define ICM_GETQUALITY (ICM_RESERVED + 31)
#define ICM_GETDEFAULTKEYFRAMERATE (ICM_USER + 42)
static_assert(ICM_GETDEFAULTQUALITY == 0x501E && ICM_GETDEFAULTKEYFRAMERATE == 0x402A);

#define ICERR_OK 0L
#define ICERR_UNSUPPORTED -1L
#define ICERR_BADFORMAT -2L
#define ICERR_MEMORY -3L
#define ICERR_INTERNAL -4L
#define ICERR_BADFLAGS -5L
#define ICERR_BADPARAM -6L
#define ICERR_BADSIZE -7L
#define ICERR_BADHANDLE -8L
#define ICERR_ERROR -100L

extern "C" {

// Counted: the library is usable between the first AVIFileInit and the
// matching last AVIFileExit. Files already open stay usable either way.
VFW_EXPORT void AVIFileInit();
VFW_EXPORT void AVIFileExit();

// Writing only: the mode must hold OF_WRITE (or OF_READWRITE) and OF_CREATE;
// the file is created or truncated at once. handler must be null.
// AVIERR_FILEOPEN when the file cannot be created, AVIERR_BADFLAGS for a
// mode without OF_CREATE.
VFW_EXPORT HRESULT AVIFileOpenW(PAVIFILE* file, LPCWSTR fileName, UINT mode, const CLSID* handler);
VFW_EXPORT ULONG AVIFileAddRef(PAVIFILE file);
// Dropping the last reference completes the file: the index and the header
// counts are written and the file is closed. Streams hold a reference to
// their file, so the file completes when it and all its streams are released.
// A file whose header was never written (no stream got a format) holds
// nothing and is removed.
VFW_EXPORT ULONG AVIFileRelease(PAVIFILE file);
// Video streams only (streamtypeVIDEO), created before the first sample is
// written to any stream of the file. The stream runs at dwRate / dwScale
// frames per second exactly; szName becomes the stream's name.
VFW_EXPORT HRESULT AVIFileCreateStreamW(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOW* info);

// A stream that compresses what is written to it with the compressor named
// by options->fccHandler and writes the result to source.
// AVIERR_NOCOMPRESSOR when no installed compressor has that code.
VFW_EXPORT HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, AVICOMPRESSOPTIONS* options,
                                           const CLSID* handler);
// The format is a BITMAPINFOHEADER, set once at position 0 before the first
// write. For an uncompressed stream it is stored as given (24- or 32-bit
// BI_RGB, bottom-up); for a compressed stream it describes the frames that
// will be written and opens the compressor on them (AVIERR_BADFORMAT when the
// compressor cannot take that size).
VFW_EXPORT HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG formatSize);
// One sample per call at position start (not before the stream's end; a gap
// stays in the file as empty frames, so later frames keep their times). A frame written to a compressed stream is a
// bottom-up DIB of the format set; it reaches the file as soon as the
// compressor hands out its output. After a failed write to the file every
// further write fails with AVIERR_FILEWRITE; what was written before stays
// readable when the file is released.
VFW_EXPORT HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                                  DWORD flags, LONG* samplesWritten, LONG* bytesWritten);
VFW_EXPORT ULONG AVIStreamAddRef(PAVISTREAM stream);
VFW_EXPORT ULONG AVIStreamRelease(PAVISTREAM stream);

// fccHandler below 256 is an index into the installed compressors of that
// type; otherwise it names one. Fills dwSize, fccType, fccHandler, dwFlags,
// dwVersion, dwVersionICM and szDriver.
VFW_EXPORT BOOL ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* info);
// Four-character codes compare without regard to case. Null when no
// installed compressor has the code.
VFW_EXPORT HIC ICOpen(DWORD fccType, DWORD fccHandler, UINT mode);
// Bytes copied into info (at most size), 0 for a bad handle.
VFW_EXPORT LRESULT ICGetInfo(HIC compressor, ICINFO* info, DWORD size);
// ICM_GETDEFAULTQUALITY and ICM_GETDEFAULTKEYFRAMERATE write the answer to
// the DWORD at param1 and return ICERR_OK; a compressor that has no answer
// returns ICERR_UNSUPPORTED and leaves the cell as it was. ICM_GETINFO is
// ICGetInfo. Other messages: ICERR_UNSUPPORTED.
VFW_EXPORT LRESULT ICSendMessage(HIC compressor, UINT message, DWORD_PTR param1, DWORD_PTR param2);
VFW_EXPORT LRESULT ICClose(HIC compressor);

}  // extern "C"
