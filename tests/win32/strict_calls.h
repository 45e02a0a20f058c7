// What the Windows test programs may ask of the checked calls beyond Windows' rules: a file
// system Wine's folders never are.
#pragma once

#include <windows.h>

namespace pixferry::sys {

// From now on every flush of a folder's handle fails with error, as FAT and exFAT on cards and
// sticks may refuse one; ERROR_SUCCESS lets them pass again. Counts the files flushed from 0.
void RefuseFolderFlushes(DWORD error);
int FilesFlushed();

}  // namespace pixferry::sys
