#pragma once

#include <cstddef>

#include "sdk/OdPlatform.h"

extern "C" {
// The SDK's allocator. odrxAlloc returns null when memory runs out.
ODSDK_EXPORT void* odrxAlloc(std::size_t size);
ODSDK_EXPORT void odrxFree(void* block);
}

// Test hook: makes the next `count` odrxAlloc calls fail. Thread-safe.
ODSDK_EXPORT void odrxFailNextAllocations(int count);
