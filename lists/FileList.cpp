#include "lists/FileList.h"

#include <cstddef>
#include <utility>

#include "platform/errors.h"

namespace pixferry {

void FileList::Set(std::vector<std::string> strNew, std::int32_t lngFileCount, TextBox& txtMessage,
                   std::string_view empty_note) {
  strFiles.assign(1, std::string());
  lngCount = 0;
  if (lngFileCount > 0) {
    lngCount = lngFileCount;
    strNew.resize(static_cast<std::size_t>(lngFileCount) + 1);
    strNew[0].clear();
    strFiles = std::move(strNew);
    lngIndex = 1;
    box.SetText(strFiles[1]);
  } else {
    txtMessage.SetText(txtMessage.Text() + std::string(empty_note));
    box.SetText("");
  }
  SetButtons(!box.Text().empty());
}

void FileList::Clear() {
  lngCount = 0;
  strFiles.assign(1, std::string());
  box.SetText("");
}

void FileList::SetButtons(bool enabled) {
  for (Button* button : buttons) button->SetEnabled(enabled);
}

void FileList::MoveTo(std::int32_t position) {
  lngIndex = position;
  if (position < 0 || static_cast<std::size_t>(position) >= strFiles.size()) {
    throw RuntimeError(err::kSubscriptOutOfRange);
  }
  box.SetText(strFiles[static_cast<std::size_t>(position)]);
}

void FileList::First() {
  if (lngIndex <= lngCount && lngCount >= 1) MoveTo(1);
}

void FileList::Previous() {
  if (lngIndex <= lngCount && lngIndex >= 2) MoveTo(lngIndex - 1);
}

void FileList::Next() {
  if (lngIndex < lngCount) MoveTo(lngIndex + 1);
}

void FileList::Last() {
  if (lngIndex < lngCount) MoveTo(lngCount);
}

}  // namespace pixferry
