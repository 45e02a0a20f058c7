// The card's folder and the per-user settings folder: each system's own calls.
#include "platform/userfolders.h"

#ifdef _WIN32
#include "platform/win32/userfolders.inc"
#else
#include "platform/posix/userfolders.inc"
#endif
