#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <set>

#include "platform/files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace pixferry::testing {
namespace {

// The folders this test program made; the deletion guard accepts nothing else.
std::set<std::string>& MadeFolders() {
  static std::set<std::string> folders;
  return folders;
}

// Paths are UTF-8 text everywhere in the program; std::filesystem would read a narrow string
// in the ANSI code page on Windows.
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

}  // namespace

TempDir::TempDir() {
  std::random_device rd;
  fs::path made;
  do {  // a name taken by another test program is drawn again; any other failure throws
    made = fs::temp_directory_path() /
           ("pixferry-test-" + std::to_string(rd()) + std::to_string(rd()));
  } while (!fs::create_directory(made));
  path_ = TextOf(fs::canonical(made));
  MadeFolders().insert(path_);
}

TempDir::~TempDir() {
  GuardDeletion(path_);
  std::error_code ec;
  // Give write permission back first, so read-only test folders go too.
  for (auto it = fs::recursive_directory_iterator(PathOf(path_), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink()) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::permissions(PathOf(path_), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(PathOf(path_), ec);
  MadeFolders().erase(path_);
}

std::string TempDir::operator/(std::string_view relative) const {
  std::string result = path_ + '/' + std::string(relative);
  std::replace(result.begin() + path_.size(), result.end(), '/', kSep);
  return result;
}

void GuardDeletion(const std::string& path) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(PathOf(path), ec);
  const std::string target = ec ? path : TextOf(canonical);
  for (const std::string& folder : MadeFolders()) {
    if (target == folder ||
        (target.size() > folder.size() && target.compare(0, folder.size(), folder) == 0 &&
         (target[folder.size()] == '/' || target[folder.size()] == '\\'))) {
      return;
    }
  }
  std::cerr << "refusing to delete outside a test folder: " << path << "\n";
  std::abort();
}

void WriteFile(const std::string& path, std::string_view content) {
  MakeFolders(TextOf(PathOf(path).parent_path()));
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) {
    std::cerr << "cannot write " << path << "\n";
    std::abort();
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(PathOf(path), ec));
}

bool MakeLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (unix_name != nullptr) {
    std::wstring command = L"Z:\\bin\\ln -s";
    for (const std::string& path : {target, link}) {
      char* name = unix_name(PathOf(path).c_str());
      if (name == nullptr) return false;
      command += L" " + PathOf(name).wstring();
      ::HeapFree(::GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
      return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // Wine cannot wait for a Unix process: the link is looked for until it is there.
    for (int tries = 0; tries < 1000; ++tries) {
      if (::GetFileAttributesW(PathOf(link).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
      ::Sleep(10);
    }
    return false;
  }
  const DWORD flags = fs::is_directory(PathOf(target)) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  return ::CreateSymbolicLinkW(PathOf(link).c_str(), PathOf(target).c_str(),
                               flags | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
#else
  std::error_code ec;
  fs::create_symlink(target, link, ec);
  return !ec;
#endif
}

void MakeFolders(const std::string& path) {
  std::error_code ec;  // none for the empty path
  fs::create_directories(PathOf(path), ec);
}

Names AllNames(const std::string& folder) {
  Names names;
  if (!fs::is_directory(PathOf(folder))) return names;
  for (const fs::directory_entry& e : fs::directory_iterator(PathOf(folder))) {
    names.push_back(TextOf(e.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

Names ListNames(const std::string& pattern, int mask) {
  Names names;
  Listing listing(pattern, mask);
  while (auto name = listing.Next()) names.push_back(*name);
  EXPECT_EQ(listing.error(), 0) << pattern;
  std::sort(names.begin(), names.end());
  return names;
}

void HideOnWindows([[maybe_unused]] const std::string& path, [[maybe_unused]] bool system_file) {
#ifdef _WIN32
  const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | (system_file ? FILE_ATTRIBUTE_SYSTEM : 0);
  ::SetFileAttributesW(PathOf(path).c_str(), attributes);
#endif
}

std::string RecordBytes(std::string_view text) {
  std::string record(255, '\0');
  record[0] = static_cast<char>(text.size() & 0xFF);
  record[1] = static_cast<char>(text.size() >> 8);
  record.replace(2, text.size(), text);
  return record;
}

std::string JpegBytes() {
  using namespace std::string_literals;
  // Grey: one component quantised by ones, a Huffman table of one code for each coefficient kind.
  const std::string table = "\x01"s + std::string(16, '\0');
  return "\xFF\xD8\xFF\xDB\x00\x43\x00"s + std::string(64, '\x01') +
         "\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00\xFF\xC4\x00\x14\x00"s + table +
         "\xFF\xC4\x00\x14\x10"s + table + "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x3F\xFF\xD9"s;
}

Digest Sha256Of(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes.data(), bytes.size());
  return hash.Finish();
}

std::string CurrentFolder() {
  std::string path;
  EXPECT_EQ(CurrentDirectory(path), 0);
  return path;
}

FileStamp StampAt(const std::string& path) {
  FileStamp stamp;
  EXPECT_EQ(StampOf(path, stamp), 0) << path;
  return stamp;
}

bool Finds(const std::string& pattern, int mask) {
  bool found = false;
  EXPECT_EQ(FindEntry(pattern, mask, found), 0) << pattern;
  return found;
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& path)
    : previous_(TextOf(fs::current_path())) {
  fs::current_path(PathOf(path));
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  std::error_code ec;
  fs::current_path(PathOf(previous_), ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  Set(value);
}

ScopedEnv::~ScopedEnv() {
  Set(old_ ? old_->c_str() : nullptr);
}

void ScopedEnv::Set(const char* value) const {
#ifdef _WIN32
  // The wide call changes the system's copy too, which the program reads; the empty text unsets.
  ::_wputenv_s(PathOf(name_).c_str(), value ? PathOf(value).c_str() : L"");
#else
  value ? ::setenv(name_.c_str(), value, 1) : ::unsetenv(name_.c_str());
#endif
}

}  // namespace pixferry::testing
