// Writes its command line and working folder, UTF-8, one per line, to args.txt in that folder.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  std::string text = "argc=" + std::to_string(count) + "\n";
  for (int i = 1; i < count; ++i) text += "arg=" + Utf8(args[i]) + "\n";
  text += "cwd=" + Utf8(folder) + "\n";
  text += "show=" + std::to_string(show_command) + "\n";
  ::LocalFree(args);
  const HANDLE file = ::CreateFileW(L"args.txt.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  // Renamed when complete, so the test never reads half a file.
  ::MoveFileExW(L"args.txt.tmp", L"args.txt", MOVEFILE_REPLACE_EXISTING);
  return 0;
}
