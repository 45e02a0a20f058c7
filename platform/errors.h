// Run-time errors: each failure an operator can meet has one fixed number and one fixed text, the
// same on every platform, so a message box reads the same whatever system the program runs on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace pixferry {

namespace err {
#define PIXFERRY_RUNTIME_ERROR(name, number, text) inline constexpr int name = number;
#include "platform/errors.def"
#undef PIXFERRY_RUNTIME_ERROR
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
