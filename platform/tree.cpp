// Folder identity and the removal of a folder tree: each system's own walk.
#include "platform/tree.h"

#ifdef _WIN32
#include "platform/win32/tree.inc"
#else
#include "platform/posix/tree.inc"
#endif
