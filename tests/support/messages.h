// The program's texts that several suites check, written out here as the operator reads them
// rather than taken from the program, so that a changed text fails the tests.
#pragma once

namespace pixferry::testing {

inline constexpr char kCopied[] =
    "Photos copied successfully.  If you'd like to cleanse the photos from your source(disk), "
    "click 'Delete'.";
inline constexpr char kImportError[] = "An error occurred during import.  Please check photos";

}  // namespace pixferry::testing
