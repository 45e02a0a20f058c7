// The settings file's code page: each system's own conversion.
#include "platform/ansi.h"

#ifdef _WIN32
#include "platform/win32/ansi.inc"
#else
#include "platform/posix/ansi.inc"
#endif
