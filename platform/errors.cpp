#include "platform/errors.h"

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/paths.h"

namespace pixferry {

std::string_view ErrorDescription(int number) {
  switch (number) {
#define PIXFERRY_RUNTIME_ERROR(name, value, text) \
  case err::name:                                 \
    return text;
#include "platform/errors.def"
#undef PIXFERRY_RUNTIME_ERROR
    default:
      return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int number)
    : RuntimeError(number, std::string(ErrorDescription(number))) {}

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(std::to_string(number) + " " + description),
      number_(number),
      description_(std::move(description)) {}

void ThrowIfError(int number) {
  if (number != 0) throw RuntimeError(number);
}

int ErrorFromErrno(int e) noexcept {
  switch (e) {
    case 0:
      return 0;
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return err::kPermissionDenied;
    case EBUSY:
      return err::kPathFileAccessError;
    case EEXIST:
      return err::kFileAlreadyExists;
    case ENOTEMPTY:
      return err::kPathFileAccessError;
    case EISDIR:
      return err::kPathFileAccessError;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return err::kDiskFull;
    case EIO:
      return err::kDeviceIoError;
    // The medium or its device went away (a card pulled out, the daemon of a FUSE file system
    // gone): no retry on this path can help.
    case ENXIO:
    case ENODEV:
    case ENOTCONN:
      return err::kDeviceUnavailable;
    case EMFILE:
    case ENFILE:
      return err::kTooManyFiles;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return err::kBadFileName;
    case EXDEV:
      return err::kCannotRenameWithDifferentDrive;
    case ENOMEM:
      return err::kOutOfMemory;
    default:
      return err::kPathFileAccessError;
  }
}

int NotFoundError(std::string path) noexcept {
  try {
    while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
    std::error_code ec;
    return std::filesystem::is_directory(FileSystemPath(FolderOf(path)), ec) ? err::kFileNotFound
                                                                             : err::kPathNotFound;
  } catch (...) {
    return err::kPathNotFound;
  }
}

int ErrorFromErrnoOn(int e, const std::string& path) noexcept {
  if (e != EIO) return ErrorFromErrno(e);
  try {
    namespace fs = std::filesystem;
    fs::path folder = FileSystemPath(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    const fs::file_status folder_status = fs::status(folder, ec);
    return ec || !fs::exists(folder_status) ? err::kDeviceUnavailable : err::kDeviceIoError;
  } catch (...) {
    return err::kDeviceIoError;
  }
}

}  // namespace pixferry

#ifdef _WIN32
#include "platform/win32/errors.inc"
#endif
