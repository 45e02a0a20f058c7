// Delete while something else changes the card: a folder swapped for a link at the very moment
// the walk opens it must not lead the walk out of the source.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/frmMain.h"
#include "platform/faults.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using namespace testing;

class DeleteRace : public ::testing::Test {
 protected:
  DeleteRace() {
    faults::Disarm();
    WriteFile(source + "/IMG_0001.JPG", "card");
    WriteFile(source + "/SUB/IMG_0002.JPG", "card");
    WriteFile(outside + "/EVIDENCE.JPG", "outside");
    WriteFile(outside + "/deeper/MORE.JPG", "outside");
    form.strSourcePath = source;
  }
  ~DeleteRace() override { faults::Disarm(); }

  // Presses Delete on a card whose photos were all copied, answering Yes; the race is set up only
  // once "Delete?" is asked, so that it meets the deletion and not the look for photos before it.
  void ConfirmDelete(const std::function<void()>& set_up_race) {
    MarkCopied(form, form.strSourcePath);
    h.desktop.on_box = [&](const MessageBoxCall& box) {
      if (box.title == "Delete?") set_up_race();
    };
    h.desktop.answers.push_back(mb::kAnswerYes);
    form.cmdDelete_Click();
  }

  TempDir dir;
  const std::string source = dir / "card/DCIM/100MEDIA";
  const std::string outside = dir / "evidence";
  Harness h;
  frmMain& form = *h.form;
};

// The source's one subfolder is moved aside and a link to the evidence put in its place just as
// the walk opens it (the second folder opened, after the source itself).
TEST_F(DeleteRace, AFolderSwappedForALinkIsNotFollowed) {
  const std::string sub = source + "/SUB";
  const std::string aside = dir / "card/DCIM/SUB-aside";
  GuardDeletion(source);
  ConfirmDelete([&] {
    faults::OnCall(Op::ListingOpen, 2, [&] {
      fs::rename(sub, aside);
      ASSERT_TRUE(MakeLink(outside, sub));
    });
  });
  ASSERT_GE(faults::Calls(Op::ListingOpen), 2) << "the swap never happened";
  EXPECT_EQ(ReadFile(outside + "/deeper/MORE.JPG"), "outside");
  EXPECT_EQ(ReadFile(aside + "/IMG_0002.JPG"), "card");
  EXPECT_FALSE(Exists(source + "/IMG_0001.JPG"));
  EXPECT_TRUE(Exists(sub)) << "the link was not left as it was";
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{"The directory " + source + " does not exist!", 64, "Nothing Here"}));
  EXPECT_EQ(h.txtMessage.text, "There has been an ERROR in cleansing (deletion).");
}

#ifndef _WIN32  // Windows holds every folder of the walk: none can be moved
// The folder being emptied is moved out of the source, next to a folder named like its sibling,
// and a photo is put in it there: the walk leaves it as it is from its next look on, instead of
// emptying a folder outside the source or going on with the sibling's name in the wrong folder.
TEST_F(DeleteRace, AFolderMovedOutWhileEmptiedIsLeftAsItIs) {
  const std::string card = dir / "card/DCIM/MOVED";
  for (const char* file : {"A/F1", "A/F2", "A/F3", "B/F1", "B/F2", "B/F3"})
    WriteFile(card + "/" + file + ".JPG", "card");
  std::string moved;
  const auto move_out = [&] {
    const bool in_a =
        fs::exists(card + "/A") && std::distance(fs::directory_iterator(card + "/A"), {}) < 3;
    const std::string name = in_a ? "A" : "B";
    WriteFile(outside + "/" + (in_a ? "B" : "A") + "/EVIDENCE.JPG", "outside");
    moved = outside + "/" + name;
    fs::rename(card + "/" + name, moved);
    WriteFile(moved + "/LATE.JPG", "outside");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // longer than between two looks
  };
  GuardDeletion(card);
  form.strSourcePath = card;
  ConfirmDelete([&] { faults::OnCall(Op::RemoveFile, 2, move_out); });
  ASSERT_FALSE(moved.empty()) << "nothing was moved";
  EXPECT_EQ(ReadFile(outside + "/A/EVIDENCE.JPG") + ReadFile(outside + "/B/EVIDENCE.JPG"),
            "outside");
  EXPECT_EQ(ReadFile(outside + "/EVIDENCE.JPG"), "outside");
  // The second removal was under way at the move; the third photo and the late one stay.
  EXPECT_EQ(ReadFile(moved + "/LATE.JPG"), "outside");
  EXPECT_EQ(std::distance(fs::directory_iterator(moved), {}), 2);
  EXPECT_EQ(h.desktop.boxes.back(), (MessageBoxCall{"An Error was occured", 48, "Error"}));
}
#endif

}  // namespace
}  // namespace pixferry
