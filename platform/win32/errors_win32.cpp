#include <windows.h>

#include "platform/errors.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

// ERROR_NO_SUCH_DEVICE, which not every SDK's headers define.
constexpr unsigned long kNoSuchDevice = 433;

}  // namespace

int ErrorFromWin32(unsigned long error) noexcept {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
      return err::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return err::kPathNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
      return err::kTooManyFiles;
    // Read-only files and sharing conflicts read as they do on POSIX, where both are EACCES.
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return err::kPermissionDenied;
    case ERROR_INVALID_HANDLE:
      return err::kBadFileNameOrNumber;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return err::kOutOfMemory;
    // The drive, or the medium under an open file, is gone: a card pulled out mid-job.
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case kNoSuchDevice:
    case ERROR_FILE_INVALID:
      return err::kDeviceUnavailable;
    case ERROR_NOT_SAME_DEVICE:
      return err::kCannotRenameWithDifferentDrive;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_MEDIA_CHANGED:
    case ERROR_UNRECOGNIZED_VOLUME:
      return err::kDiskNotReady;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return err::kDeviceIoError;
    case ERROR_HANDLE_EOF:
      return err::kInputPastEndOfFile;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return err::kDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return err::kFileAlreadyExists;
    case ERROR_INVALID_PARAMETER:
      return err::kInvalidProcedureCall;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return err::kBadFileName;
    default:
      return err::kPathFileAccessError;
  }
}

int LastError() noexcept {
  return ErrorFromWin32(::GetLastError());
}

}  // namespace pixferry
