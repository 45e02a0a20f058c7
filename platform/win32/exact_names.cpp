#include "platform/win32/exact_names.h"

#include "platform/win32/unique_handle.h"

namespace pixferry {
namespace {

// True when found, a name the system gave back, is asked, letter case aside as NTFS sets it aside
// (each character's capital, no locale).
bool IsSameName(std::wstring_view asked, std::wstring_view found) noexcept {
  return ::CompareStringOrdinal(asked.data(), static_cast<int>(asked.size()), found.data(),
                                static_cast<int>(found.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool FindExactEntry(const std::wstring& long_path, WIN32_FIND_DATAW& found) {
  const std::size_t cut = long_path.find_last_of(L"\\/");
  const std::wstring_view name =
      std::wstring_view(long_path).substr(cut == std::wstring::npos ? 0 : cut + 1);
  // A wildcard would match other names; no file name holds one.
  if (name.empty() || name.find_first_of(L"*?<>\"") != std::wstring_view::npos) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const UniqueFind find = OwnFind(::FindFirstFileExW(long_path.c_str(), FindExInfoBasic, &found,
                                                     FindExSearchNameMatch, nullptr, 0));
  if (!find) return false;
  // The file whose long name it is may come after one whose short name it is (Wine makes short
  // names up, so both can exist).
  do {
    if (IsSameName(name, found.cFileName)) return true;
  } while (::FindNextFileW(find.get(), &found));
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

}  // namespace pixferry
