// Global memory blocks (GlobalAlloc and its kin), as the clipboard and packed
// DIBs use them.
#pragma once

#include "win32/WinTypes.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

extern "C" {

// Global memory is always fixed here: the handle is the block's address, as
// for GMEM_FIXED on Windows, and GlobalLock returns it. Thread-safe.
WIN32_EXPORT HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Returns null on success and the handle when it is not a live block.
WIN32_EXPORT HGLOBAL GlobalFree(HGLOBAL memory);
WIN32_EXPORT LPVOID GlobalLock(HGLOBAL memory);
WIN32_EXPORT BOOL GlobalUnlock(HGLOBAL memory);
WIN32_EXPORT SIZE_T GlobalSize(HGLOBAL memory);

}  // extern "C"
