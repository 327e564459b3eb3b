// Owners of Video for Windows file and stream references: each gives its
// reference back (AVIFileRelease, AVIStreamRelease) when it goes or is reset,
// so a file opened half-way leaks nothing. Releasing the last reference to a
// file completes it on disk.
#pragma once

#include <vfw.h>

#include <memory>

struct AviFileReleaser {
  void operator()(PAVIFILE file) const { AVIFileRelease(file); }
};
struct AviStreamReleaser {
  void operator()(PAVISTREAM stream) const { AVIStreamRelease(stream); }
};
using AviFileHandle = std::unique_ptr<IAVIFile, AviFileReleaser>;
using AviStreamHandle = std::unique_ptr<IAVIStream, AviStreamReleaser>;

// For a call that hands a reference out through a pointer argument
// (AVIFileOpenW, AVIFileCreateStreamW, AVIMakeCompressedStream): the owner
// gives up what it held and takes what the call wrote, at the end of the
// full expression.
//   AVIFileOpenW(ReceiveInto(file), name, mode, nullptr);
template <class Handle>
class ReceiveInto {
 public:
  explicit ReceiveInto(Handle& handle) : m_handle(handle) { m_handle.reset(); }
  ~ReceiveInto() { m_handle.reset(m_raw); }
  ReceiveInto(const ReceiveInto&) = delete;
  ReceiveInto& operator=(const ReceiveInto&) = delete;
  operator typename Handle::pointer *() { return &m_raw; }

 private:
  Handle& m_handle;
  typename Handle::pointer m_raw = nullptr;
};
