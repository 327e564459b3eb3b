// Whether a file named by a person can be opened for reading, asked before
// any reader touches it, so that every kind of file fails with the same words.
#pragma once

#include <string>

#include "host/HostApi.h"

namespace host {

// True when path is a regular file this process may read. Otherwise false
// with reason, words that follow "Cannot open PATH: ": "no such file",
// "it is a folder", "not a regular file" (a FIFO, a device or a socket, which
// is never opened, so nothing blocks), "permission denied", or the system's
// own words for anything else. Nothing is read.
HOST_EXPORT bool CheckFileToOpen(const std::string& path, std::string& reason);

}  // namespace host
