// The settings file's OS handle: each system's own calls.
#include "platform/record_handle.h"

#ifdef _WIN32
#include "platform/win32/record_handle.inc"
#else
#include "platform/posix/record_handle.inc"
#endif
