// The pixel memory of large DIB sections in System V shared-memory segments,
// so that a screen read into such a bitmap is one XShmGetImage straight into
// its bits (MIT-SHM), with no copy on our side.
//
// A segment is made when the bitmap is, with no X connection involved; it is
// attached to an X connection by the first read on that connection (the
// capture thread's own) and stays attached until the bitmap is freed, is
// read on another connection, or the connection closes, whichever comes
// first. A server that refuses the segment (a remote display, no MIT-SHM)
// is asked no more, and the reads go the ordinary way.
//
// All functions are thread-safe.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>

#include "win32/WinTypes.h"

namespace win32::x11 {

// Zeroed memory of `bytes` in a new segment, already marked for removal (it
// goes with the last detach, also if the process dies); null when no
// segment can be made.
BYTE* AllocateSharedSegment(std::size_t bytes);
// Detaches the segment from the connection it is attached to, then unmaps
// it. `memory` is what AllocateSharedSegment returned.
void FreeSharedSegment(BYTE* memory);
// Reads the drawable's area into the segment, rows top-down from its start,
// 4 bytes a pixel (BGRX), width * 4 bytes apart, on `display`, which must be
// the calling thread's own connection. False, with nothing written, when
// that cannot be done here: the caller reads another way.
bool ReadIntoSharedSegment(Display* display, Drawable drawable, int x, int y, unsigned width, unsigned height,
                           BYTE* memory);
// Called by the connection as it closes, on its thread: the server detaches
// every segment of a closed connection, and this forgets that they were.
void ForgetSharedSegments(Display* display);

}  // namespace win32::x11
