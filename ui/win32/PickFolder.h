// The shell's folder dialog opened on a start folder already selected (mdlBrowseFolderByPath).
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <string>

namespace pixferry::mdlBrowseFolderByPath {

// The chosen folder's file-system path ("C:\" for a drive root, no trailing separator
// otherwise), or the empty text when the operator cancelled or chose an item without a path.
// Modal to owner. Failures go to the caller.
std::string PickFolder(HWND owner, const std::string& strStartFolder, const std::string& strTitle);

// The dialog's callback: when it has initialised, selects the start folder whose text the
// callback data points to. Returns 0 for every message.
int CALLBACK PickFolderCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

// The callback's address, unchanged, for the browse-information record.
BFFCALLBACK CallbackAddress(BFFCALLBACK lngAddress);

}  // namespace pixferry::mdlBrowseFolderByPath
