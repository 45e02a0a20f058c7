// Run-time errors: each failure an operator can meet has one fixed number and one fixed text, the
// same on every platform, so a message box reads the same whatever system the program runs on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace pixferry {

namespace err {
inline constexpr int kInvalidProcedureCall = 5;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kInternalError = 51;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kBadFileMode = 54;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kDeviceIoError = 57;
inline constexpr int kFileAlreadyExists = 58;
inline constexpr int kBadRecordLength = 59;
inline constexpr int kDiskFull = 61;
inline constexpr int kInputPastEndOfFile = 62;
inline constexpr int kBadRecordNumber = 63;
inline constexpr int kBadFileName = 64;
inline constexpr int kTooManyFiles = 67;
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kDiskNotReady = 71;
inline constexpr int kCannotRenameWithDifferentDrive = 74;
inline constexpr int kPathFileAccessError = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kInvalidPicture = 481;
}  // namespace err

// The description shown after the number in an error box; unknown numbers get a generic text.
std::string_view ErrorDescription(int number);

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(int number);
  RuntimeError(int number, std::string description);

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

// Throws RuntimeError(number) unless number is 0: the bridge from the non-throwing forms.
void ThrowIfError(int number);

// Maps an errno value to the run-time number an operator would see for it.
int ErrorFromErrno(int errno_value) noexcept;
// The number for a path that is not there, told apart as Windows tells it: "file not found"
// (53) when its folder is there, "path not found" (76) when the folder is missing too.
int NotFoundError(std::string path) noexcept;
// The same for a failure on path. An I/O error where path's folder can no longer be reached at
// all is the medium gone (a card pulled out), 68, not a damaged spot on it, 57.
int ErrorFromErrnoOn(int errno_value, const std::string& path) noexcept;

}  // namespace pixferry
