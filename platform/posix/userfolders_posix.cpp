#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/userfolders.h"

namespace pixferry {
namespace {

std::string Reason(int e) {
  return std::strerror(e);
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// An environment value that may name a folder: set, and absolute (a relative one is ignored,
// as the base directory rules ask).
const char* AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

}  // namespace

std::string AbsoluteFolderPath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return WithoutTrailingSlashes(path);
  std::string base = CurrentDirectory();
  if (base.back() != '/') base += '/';
  return WithoutTrailingSlashes(base + path);
}

std::string FolderReadFailure(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return Reason(errno);
  errno = 0;
  // A folder that opens but cannot be read (no search permission) fails here.
  const dirent* entry = ::readdir(dir);
  const int e = errno;
  ::closedir(dir);
  if (entry == nullptr && e != 0) return Reason(e);
  struct stat st {};
  if (::stat((path + "/.").c_str(), &st) != 0) return Reason(errno);
  return {};
}

SettingsHome PerUserSettingsFolder() {
  if (const char* config = AbsoluteEnv("XDG_CONFIG_HOME")) {
    return {WithoutTrailingSlashes(config) + "/pixferry", {}};
  }
  std::string home;
  if (const char* env = AbsoluteEnv("HOME")) {
    home = env;
  } else if (const passwd* user = ::getpwuid(::getuid());
             user != nullptr && user->pw_dir && user->pw_dir[0] == '/') {
    home = user->pw_dir;
  } else {
    return {{}, "neither XDG_CONFIG_HOME nor HOME names a folder"};
  }
  home = WithoutTrailingSlashes(home);
  if (home == "/") home.clear();
  return {home + "/.config/pixferry", {}};
}

std::string MakeFolderPath(const std::string& path) {
  // Each missing folder from the top down; settings are the user's own, hence 0700.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = slash == std::string::npos ? path : path.substr(0, slash);
    if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0700) != 0 &&
        errno != EEXIST) {
      return Reason(errno);
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Reason(errno);
  if (!S_ISDIR(st.st_mode)) return Reason(ENOTDIR);
  return {};
}

std::string ChangeCurrentDirectory(const std::string& path) {
  if (::chdir(path.c_str()) != 0) return Reason(errno);
  return {};
}

}  // namespace pixferry
