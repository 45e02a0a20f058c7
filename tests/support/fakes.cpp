#include "tests/support/fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "copy/PhotoExtensions.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

namespace pixferry::testing {

void FakePictureBox::LoadPicture(const std::string& path) {
  // The path is UTF-8; a narrow path would be read in the ANSI code page on Windows.
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                   std::ios::binary);
  if (!in) {
    const std::string folder = path.substr(0, path.find_last_of(kSep));
    int attributes = 0;
    const bool folder_exists =
        ReadAttributes(folder, attributes) == 0 && (attributes & attr::kDirectory) != 0;
    throw RuntimeError(folder_exists ? err::kFileNotFound : err::kPathNotFound);
  }
  std::string head(3, '\0');
  if (!in.read(head.data(), 3) || head != "\xFF\xD8\xFF") {
    throw RuntimeError(err::kInvalidPicture);
  }
  picture = path;
  ++loads;
}

int FakeDesktop::MsgBox(std::string_view text, int style, std::string_view title) {
  MessageBoxCall call{std::string(text), style, std::string(title)};
  boxes.push_back(call);
  if (on_box) on_box(call);
  if ((style & mb::kButtonsMask) == mb::kYesNo) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << call.text;
      return mb::kAnswerNo;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return mb::kAnswerOk;
}

std::string FakeDesktop::PickFolder(const std::string& start_folder, const std::string& title) {
  pick_calls.push_back({start_folder, title});
  if (picks.empty()) {
    ADD_FAILURE() << "unexpected folder picker";
    return {};
  }
  std::string result = picks.front();
  picks.pop_front();
  return result;
}

Harness::Harness() {
  main_window.loaded = true;
  for (FakeButton* list :
       {&cmdSourceFirst, &cmdSourcePrevious, &cmdSourceNext, &cmdSourceLast, &cmdViewSource,
        &cmdTargetFirst, &cmdTargetPrevious, &cmdTargetNext, &cmdTargetLast, &cmdViewTarget}) {
    list->enabled = false;  // as the layout makes them: no list yet
  }
  viewer = std::make_unique<frmShowPhoto>(viewer_window, viewer_picture, desktop);
  MainControls controls{Interfaces(), main_window};
  form = std::make_unique<frmMain>(controls, *viewer, desktop);
}

static bool AllSame(std::initializer_list<const FakeButton*> buttons) {
  const bool first = (*buttons.begin())->enabled;
  for (const FakeButton* b : buttons) {
    EXPECT_EQ(b->enabled, first) << "buttons of one list disagree";
  }
  return first;
}

bool Harness::SourceButtonsEnabled() const {
  return AllSame(
      {&cmdSourceFirst, &cmdSourcePrevious, &cmdSourceNext, &cmdSourceLast, &cmdViewSource});
}

bool Harness::TargetButtonsEnabled() const {
  return AllSame(
      {&cmdTargetFirst, &cmdTargetPrevious, &cmdTargetNext, &cmdTargetLast, &cmdViewTarget});
}

void KeepAliveFor(Desktop& desktop, int ms, const std::function<void()>& each_step) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    desktop.KeepAlive();
    each_step();
  }
}

void MarkCopied(frmMain& form, const std::string& root) {
  namespace fs = std::filesystem;
  // Real copies, outside every card, for Delete to read again; gone when the test program ends.
  static const TempDir copies;
  static int made = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string path = it->path().string();
    if (!IsCameraFile(it->path().filename().string())) continue;
    if (it->is_symlink() || !it->is_regular_file()) continue;
    if (FileStamp stamp; StampOf(path, stamp) == 0) {
      const std::string bytes = ReadFile(path);
      const std::string copy = copies / std::to_string(++made);
      WriteFile(copy, bytes);
      form.verified_copies.Add(path, stamp, copy, Sha256Of(bytes));
    }
  }
}

}  // namespace pixferry::testing
