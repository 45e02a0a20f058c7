#include "ui/win32/PickFolder.h"

#include "platform/errors.h"
#include "platform/win32/wide.h"
#include "ui/win32/Handles.h"

namespace pixferry::mdlBrowseFolderByPath {
namespace {

constexpr std::size_t kLongestPath = 32768;

}  // namespace

using win32::ComSession;
using win32::CoTaskMemPtr;
using win32::LocalBlock;

std::string PickFolder(HWND owner, const std::string& strStartFolder, const std::string& strTitle) {
  const ComSession com;
  std::string strResult;
  const std::wstring title = Widen(strTitle);

  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.pidlRoot = nullptr;        // the tree starts at the desktop
  bi.pszDisplayName = nullptr;  // the chosen item's display name is not wanted
  bi.lpszTitle = title.c_str();
  bi.ulFlags = 0;
  bi.lpfn = CallbackAddress(&PickFolderCallback);

  // The start folder lives in a block of its own from before the dialog opens until after it
  // closes, so the callback can read it whenever the dialog asks.
  const std::wstring start = Widen(strStartFolder);
  const SIZE_T bytes = (start.size() + 1) * sizeof(wchar_t);
  const LocalBlock block(::LocalAlloc(LPTR, bytes));
  if (!block) throw RuntimeError(err::kOutOfMemory);
  ::MoveMemory(block.get(), start.c_str(), bytes);
  bi.lParam = reinterpret_cast<LPARAM>(block.get());

  if (const CoTaskMemPtr<ITEMIDLIST> item(::SHBrowseForFolderW(&bi)); item) {
    // Room for the longest path the system takes: a folder deeper than MAX_PATH is a
    // choice like any other, not a cancelled pick.
    std::wstring path(kLongestPath, L'\0');
    if (::SHGetPathFromIDListEx(item.get(), path.data(), static_cast<DWORD>(path.size()),
                                GPFIDL_DEFAULT)) {
      path.resize(path.find(L'\0'));
      strResult = Narrow(path);
    }
  }
  return strResult;
}

int CALLBACK PickFolderCallback(HWND hwnd, UINT uMsg, LPARAM, LPARAM lpData) {
  if (uMsg == BFFM_INITIALIZED) {
    // wParam TRUE: lpData is a path, not an item identifier list.
    ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, lpData);
  }
  return 0;
}

BFFCALLBACK CallbackAddress(BFFCALLBACK lngAddress) {
  return lngAddress;
}

}  // namespace pixferry::mdlBrowseFolderByPath
