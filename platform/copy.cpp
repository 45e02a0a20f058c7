// Whole-file copies in groups: what every system shares here, its own calls in the file included
// below.
#include "platform/files.h"

#ifdef _WIN32
#include "platform/win32/copy.inc"
#else
#include "platform/posix/copy.inc"
#endif

#ifdef _WIN32
#include "platform/win32/same_content.inc"
#endif
