// Names on Windows as the file system compares them. A search or an open by name also matches a
// file's short (8.3) name, "LONG~ETV.JPG" for "longname-photo.jpg": that file is another one, and
// never the file asked for.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace pixferry {

// The entry at path (its long form) whose own name is the path's last name, letter case aside:
// true with its attributes, or false with the thread's last error set (ERROR_FILE_NOT_FOUND when
// only another file's short name answers).
bool FindExactEntry(const std::wstring& long_path, WIN32_FIND_DATAW& found);

}  // namespace pixferry
