#include <windows.h>

#include <string>
#include <vector>

#include "platform/userfolders.h"
#include "platform/win32/wide.h"

namespace pixferry {
namespace {

// The system's own words for an error, without the line break it ends with.
std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) ::LocalFree(text);
  while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' ||
                            words.back() == L' ' || words.back() == L'.')) {
    words.pop_back();
  }
  if (words.empty()) return "system error " + std::to_string(error);
  return Narrow(words);
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// "C:\" and "\\server\share\" keep their last separator; other folders lose theirs.
std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back())) {
    if (path.size() == 3 && path[1] == L':') break;
    path.pop_back();
  }
  return path;
}

DWORD AttributesOf(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str());
}

}  // namespace

std::string AbsoluteFolderPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::vector<wchar_t> buffer(needed + 1);
  const DWORD length = ::GetFullPathNameW(wide.c_str(), needed + 1, buffer.data(), nullptr);
  if (length == 0 || length > needed) return path;
  return Narrow(WithoutTrailingSeparators(std::wstring(buffer.data(), length)));
}

std::string FolderReadFailure(const std::string& path) {
  std::wstring pattern = Widen(path);
  if (!pattern.empty() && !IsSeparator(pattern.back())) pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  const HANDLE find = ::FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // An empty drive root lists nothing at all; it is still a folder that can be read.
    if (error == ERROR_FILE_NOT_FOUND) {
      const DWORD attributes = AttributesOf(Widen(path));
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    }
    // A file given as the folder reads "The directory name is invalid" rather than a vague
    // "not found".
    const DWORD attributes = AttributesOf(Widen(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return Reason(ERROR_DIRECTORY);
    }
    return Reason(error);
  }
  ::FindClose(find);
  return {};
}

SettingsHome PerUserSettingsFolder() {
  const DWORD needed = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (needed > 1) {
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", buffer.data(), needed);
    if (length > 0 && length < needed) {
      return {Narrow(WithoutTrailingSeparators(std::wstring(buffer.data(), length))) + "\\Pixferry",
              {}};
    }
  }
  return {{}, "APPDATA is not set"};
}

std::string MakeFolderPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  // Each missing folder from the top down; the root and a server's share exist or do not.
  for (std::size_t at = 0; at <= wide.size(); ++at) {
    if (at != wide.size() && !IsSeparator(wide[at])) continue;
    const std::wstring part = wide.substr(0, at);
    if (part.empty() || part.back() == L':' || IsSeparator(part.back())) continue;
    if (!::CreateDirectoryW(part.c_str(), nullptr)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) return Reason(error);
      // Access denied on a folder that is already there (a share's root) is no failure.
      if (error == ERROR_ACCESS_DENIED && AttributesOf(part) == INVALID_FILE_ATTRIBUTES) {
        return Reason(error);
      }
    }
  }
  const DWORD attributes = AttributesOf(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Reason(::GetLastError());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Reason(ERROR_DIRECTORY);
  return {};
}

std::string ChangeCurrentDirectory(const std::string& path) {
  if (!::SetCurrentDirectoryW(Widen(path).c_str())) return Reason(::GetLastError());
  return {};
}

}  // namespace pixferry
