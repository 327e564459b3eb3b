// What the end of a recording reports: the file's size and the summary text,
// shared by the live recording and the video from a trajectory.
#pragma once

#include <cstdint>

#include "sdk/OdString.h"

// The size of a file in bytes, or -1 when its attributes cannot be read.
std::int64_t QueryFileSize(const OdChar* path);

// The length in megabytes shown in the summary: the size times 1/1048576 in
// single precision, or 0 for a file whose size is not positive.
double SummaryMegabytes(std::int64_t size);

// Text 1011 for a number of seconds: hours, minutes and seconds without
// leading zeros ("0:2:5 h:m:s" for 125).
OdString SummaryTime(std::uint32_t seconds);

// Prints text 1009 on the host's command line, when there is one.
void PrintRecordingSummary(const OdChar* filePath, double megabytes, int frames, const OdString& timeText,
                           int framesPerSecond);
