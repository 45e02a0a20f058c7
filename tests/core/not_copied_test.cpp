// Delete's question about photos without a verified copy, on real cards in a TempDir after real
// copies; each tree about to go passes GuardDeletion first.
#include <gtest/gtest.h>

#include <chrono>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/namespaces.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// The typical card: two photos and a clip the copy takes, a note, and a photo whose extension's
// mixed case the copy passes over.
class NotCopied : public ::testing::Test {
 protected:
  NotCopied() {
    for (const char* name :
         {"IMG_0001.JPG", "IMG_0002.jpg", "clip.MPG", "notes.txt", "DSC_0003.Jpg"}) {
      WriteFile(In(name), name);
    }
    f.strSavePath = dir / "cases";
    MakeFolders(f.strSavePath);
    f.strSourcePath = source;
    f.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }

  std::string In(const std::string& name) const { return source + kSep + name; }
  void TakeOffTheCard(const std::string& name) {
    GuardDeletion(In(name));
    fs::remove(fs::path(In(name)));
  }
  MessageBoxCall Question(const std::string& text) const {
    return {text + ".  Do you want to delete anyway?", 308, "Not copied"};
  }
  MessageBoxCall DeleteQuestion() const {
    return {"Are you sure you want to delete the source files from " + source + "?", 36, "Delete?"};
  }
  // Presses Delete with these answers; gives the boxes it showed.
  Boxes PressDelete(std::deque<int> answers) {
    h.desktop.boxes.clear();
    h.desktop.answers = std::move(answers);
    f.cmdDelete_Click();
    EXPECT_TRUE(h.desktop.answers.empty()) << "a question was not asked";
    return h.desktop.boxes;
  }

  TempDir dir;
  const std::string source = dir / "card/DCIM/100MEDIA";
  Harness h;
  frmMain& f = *h.form;
};

// Copied, then cleansed: the photo the copy passed over is named before "Delete?" is asked, and
// No (what Return gives) keeps the card.
TEST_F(NotCopied, TheTypicalCardAsksAboutThePhotoTheCopyPassedOver) {
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.txtMessage.text, kCopied);
  EXPECT_TRUE(h.desktop.boxes.empty());
  const MessageBoxCall not_copied =
      Question("1 photo or video in " + source + " has no verified copy: DSC_0003.Jpg");

  EXPECT_EQ(PressDelete({mb::kAnswerNo}), Boxes{not_copied});
  EXPECT_EQ(PressDelete({mb::kAnswerYes, mb::kAnswerNo}), (Boxes{not_copied, DeleteQuestion()}));
  EXPECT_TRUE(Exists(In("DSC_0003.Jpg")) && Exists(In("notes.txt")));
  EXPECT_EQ(h.txtMessage.text, kCopied);
  EXPECT_EQ(f.strSourcePath, source);

  GuardDeletion(source);
  EXPECT_EQ(PressDelete({mb::kAnswerYes, mb::kAnswerYes}), (Boxes{not_copied, DeleteQuestion()}));
  EXPECT_FALSE(Exists(source));
  EXPECT_TRUE(Exists(dir / "cases/0815_Desk_2008-03-02/IMG_0002.jpg"));
}

// Nothing copied since the program started: every photo and video counts, in any letter case. A
// trailing separator, and on Windows blanks around the source, which the deletion ignores, change
// nothing here either.
TEST_F(NotCopied, DeleteWithoutACopyNamesTheFirstAndCountsTheRest) {
#ifdef _WIN32
  const std::string spelled = "  " + source + kSep + " ";
#else
  const std::string spelled = source + kSep;
#endif
  for (const std::string& written : {source, spelled}) {
    SCOPED_TRACE(written);
    f.strSourcePath = written;
    EXPECT_EQ(PressDelete({mb::kAnswerNo}),
              Boxes{Question("4 photos or videos in " + written +
                             " have no verified copy: DSC_0003.Jpg, IMG_0001.JPG, IMG_0002.jpg and "
                             "1 more")});
    EXPECT_TRUE(Exists(In("IMG_0001.JPG")));
  }
}

// A photo changed or added after the copy, and a hidden one deeper in the tree: none has a
// verified copy.
TEST_F(NotCopied, PhotosChangedAddedHiddenOrNotCopiedSinceAreNamed) {
  TakeOffTheCard("DSC_0003.Jpg");
  f.cmdStartCopy_Click();
  ASSERT_EQ(h.txtMessage.text, kCopied);
  fs::last_write_time(In("IMG_0001.JPG"),
                      fs::last_write_time(In("IMG_0001.JPG")) + std::chrono::seconds(5));
  WriteFile(In("IMG_0004.JPG"), "taken after the copy");
#ifdef _WIN32
  const std::string hidden = std::string("sub") + kSep + "IMG_0005.mpeg";
#else
  const std::string hidden = "sub/.IMG_0005.mpeg";
#endif
  WriteFile(In(hidden), "hidden");
  HideOnWindows(In(hidden));
  EXPECT_EQ(PressDelete({mb::kAnswerNo}),
            Boxes{Question("3 photos or videos in " + source +
                           " have no verified copy: IMG_0001.JPG, IMG_0004.JPG, " + hidden)});
}

#ifndef _WIN32
// A trailing blank is part of a POSIX name: the folder looked through is the one that would go,
// not its copied sibling.
TEST_F(NotCopied, ATrailingBlankNamesTheFolderLookedThrough) {
  const std::string blank = source + " ";
  WriteFile(blank + "/IMG_0009.JPG", "only here");
  MarkCopied(f, source);
  f.strSourcePath = blank;
  EXPECT_EQ(PressDelete({mb::kAnswerNo}), Boxes{Question("1 photo or video in " + blank +
                                                         " has no verified copy: IMG_0009.JPG")});
  EXPECT_TRUE(Exists(blank + "/IMG_0009.JPG"));
}

// A folder its owner may not list is looked through, as the deletion would empty it, and keeps
// its mode; one that is not the operator's to open is named as not checked.
TEST_F(NotCopied, FoldersWithoutReadPermissionAreLookedThroughOrNamed) {
  MarkCopied(f, source);
  WriteFile(In("NOREAD/IMG_0007.JPG"), "x");
  WriteFile(In("OTHERS/IMG_0008.JPG"), "x");
  for (const char* path : {"OTHERS", "OTHERS/IMG_0008.JPG"}) {
    ASSERT_EQ(::lchown(In(path).c_str(), 65534, 65534), 0);
  }
  const fs::perms no_read = fs::perms::owner_write | fs::perms::owner_exec;
  fs::permissions(In("NOREAD"), no_read, fs::perm_options::replace);
  fs::permissions(In("OTHERS"), fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              ASSERT_EQ(DropFileRights(), "");
              EXPECT_EQ(PressDelete({mb::kAnswerNo}),
                        Boxes{Question("1 photo or video in " + source +
                                       " has no verified copy: NOREAD/IMG_0007.JPG; 1 folder "
                                       "could not be checked for photos: OTHERS")});
              EXPECT_EQ(fs::status(In("NOREAD")).permissions(), no_read);
            })),
            "");
}
#endif

}  // namespace
}  // namespace pixferry
