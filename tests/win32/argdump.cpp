// Writes its arguments, working folder and show command, UTF-16, one per line, to args.txt there.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring text = L"argc=" + std::to_wstring(count) + L"\n";
  for (int i = 1; i < count; ++i) text += L"arg=" + std::wstring(args[i]) + L"\n";
  text += L"cwd=" + std::wstring(folder) + L"\nshow=" + std::to_wstring(show_command) + L"\n";
  std::ofstream("args.txt.tmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(text.data()),
             static_cast<std::streamsize>(text.size() * 2));
  // Renamed when complete, so the test never reads half a file.
  return ::MoveFileExW(L"args.txt.tmp", L"args.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
