// What a file holds on its storage, read past the system's cache: whether a copy proved at some
// time, by this run or an earlier one, still holds what it was proved to hold.
#pragma once

#include <functional>
#include <string>

#include "platform/sha256.h"

namespace pixferry {

// Reads the file at path (a link followed) from its storage, past the cache where the file system
// keeps one, and gives the SHA-256 of all its bytes. between, when set, is called between
// chunks, so that a long read can keep a window alive. 0, or the run-time error number (53 or 76
// when there is no file at path).
int HashFromStorage(const std::string& path, Digest& digest, const std::function<void()>& between);

// True when a and b are one file, however each is reached (links, hard links, a second mount or
// drive letter); false when either is missing.
bool SameFile(const std::string& a, const std::string& b) noexcept;

}  // namespace pixferry
