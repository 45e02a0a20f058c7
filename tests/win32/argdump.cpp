// Writes its arguments, working folder and show command, UTF-16, one per line, to args.txt there.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring text = L"argc=" + std::to_wstring(count) + L"\n";
  for (int i = 1; i < count; ++i) text += L"arg=" + std::wstring(args[i]) + L"\n";
  text += L"cwd=" + std::wstring(folder) + L"\nshow=" + std::to_wstring(show_command) + L"\n";
  const HANDLE file = ::CreateFileW(L"args.txt.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
  ::CloseHandle(file);
  // Renamed when complete, so the test never reads half a file.
  return ::MoveFileExW(L"args.txt.tmp", L"args.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
