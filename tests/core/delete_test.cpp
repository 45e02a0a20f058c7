// Delete on real trees in a TempDir; each path about to go passes GuardDeletion first.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#ifdef __linux__
#include <sys/mount.h>
#endif

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Boxes = std::vector<MessageBoxCall>;

const char kCleansed[] = "Photos have been cleansed from the source.";
const char kFailed[] = "There has been an ERROR in cleansing (deletion).";

// Symbolic links need a privilege on Windows; the tests that use them skip there without it.
bool TryLink(const std::string& folder, const std::string& link) {
  std::error_code ec;
  fs::create_directory_symlink(folder, link, ec);
  return !ec;
}

class Delete : public ::testing::Test {
 protected:
  Delete() {
    // A card as a camera leaves it: hidden and read-only files, nested and empty folders.
    WriteFile(In("100MEDIA/IMG_0001.JPG"), JpegBytes());
    WriteFile(In("100MEDIA/.thumbs"), "hidden");
    WriteFile(In("MISC/deep/LOCKED.JPG"), "x");
    fs::permissions(In("MISC/deep/LOCKED.JPG"), fs::perms::owner_read, fs::perm_options::replace);
    MakeFolders(In("EMPTY"));
    WriteFile(In("top.txt"), "top");
#ifndef _WIN32  // a subfolder's trailing blank is part of its name: it is not trimmed again
    WriteFile(In("TRAIL /IMG_0009.JPG"), "x");
#endif
    // The copies, in a sibling whose name starts like the source's: no reason to refuse.
    WriteFile(dir / "card/DCIM2/0815/00000001.JPG", "copy");
    form.strSavePath = dir / "card/DCIM2";
    form.strSourcePath = card;
    form.SetSourceList();
    h.txtMessage.text = "status before";
    MarkCopied(card);
  }

  // Every photo below root counts as copied and verified, so Delete goes straight to its question.
  void MarkCopied(const std::string& root) {
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      const std::string path = e.path().string();
      if (e.is_regular_file() && path.ends_with(".JPG")) {
        form.verified_copies.Add(path, StampOf(path).value());
      }
    }
  }

  std::string In(const std::string& path) const {
    return dir / ("card/DCIM/" + path);
  }
  MessageBoxCall Question() const {
    return {"Are you sure you want to delete the source files from " + form.strSourcePath + "?", 36,
            "Delete?"};
  }

  // Answers Yes and presses Delete; the path about to go passes the guard first.
  void ConfirmDelete(const std::string& guarded) {
    GuardDeletion(guarded);
    h.desktop.answers.push_back(mb::kAnswerYes);
    form.cmdDelete_Click();
    EXPECT_TRUE(h.desktop.answers.empty()) << "the question was not asked";
  }

  TempDir dir;
  const std::string card = dir / "card/DCIM";
  Harness h;
  frmMain& form = *h.form;
};

TEST_F(Delete, NoChangesNothingYesRemovesTheWholeCardFolderAndForgetsTheSource) {
  const MessageBoxCall first = Question();
  h.desktop.answers.push_back(mb::kAnswerNo);
  form.cmdDelete_Click();
  EXPECT_TRUE(Exists(In("top.txt")));
  EXPECT_EQ(h.txtMessage.text, "status before");

  form.strSourcePath = "  " + card + kSep + " ";  // blanks and a trailing separator are ignored
  const MessageBoxCall second = Question();
  ConfirmDelete(card);
  EXPECT_FALSE(Exists(card));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_EQ(ReadFile(dir / "card/DCIM2/0815/00000001.JPG"), "copy");
  EXPECT_EQ(form.strSourcePath + h.txtSource.text, "");
  EXPECT_EQ(form.strSourceFiles, std::vector<std::string>{""});
  EXPECT_EQ(form.lngSourceCount, 0);
  EXPECT_FALSE(h.SourceButtonsEnabled());
  form.cmdDelete_Click();  // a second Delete knows of no source
  EXPECT_EQ(h.desktop.boxes, (Boxes{first, second, {"Source directory is not set!", 64, "Nope"}}));

  // Chosen again once gone (the card was taken out): nothing to delete, forgotten all the same.
  form.strSourcePath = card;
  ConfirmDelete(card);
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{"The directory " + card + " does not exist!", 64, "Nothing Here"}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  EXPECT_EQ(form.strSourcePath, "");
}

// A path with no separator left once trimmed (a bare drive) or a root is never deleted.
TEST_F(Delete, APathWithoutASeparatorOrARootIsNeverDeleted) {
  {
    ScopedCurrentDirectory here(card);
    GuardDeletion(In("EMPTY"));
    ASSERT_EQ(DeleteFolderTree(std::string(" EMPTY") + kSep + " "), -1);
  }
  ASSERT_TRUE(Exists(In("EMPTY")));
#ifndef _WIN32
  // Only now, the early exit proven on a folder a slip would destroy, does "/" itself go in.
  EXPECT_EQ(DeleteFolderTree("/"), -1);
#endif
}

// A link inside the source is removed as a link, never followed; a source that is a link loses
// only the link.
TEST_F(Delete, LinksAreRemovedAndWhatTheyLeadToSurvives) {
  WriteFile(dir / "elsewhere/sub/IMG_7777.JPG", "far");
  const std::string link = dir / "card/DCIM-link";
  if (!TryLink(dir / "elsewhere", In("100MEDIA/to-folder")) || !TryLink(card, link)) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  form.strSourcePath = link;
  MarkCopied(link);
  ConfirmDelete(link);
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(Exists(In("MISC/deep/LOCKED.JPG")));

  form.strSourcePath = card;
  ConfirmDelete(card);
  EXPECT_FALSE(Exists(card));
  EXPECT_EQ(ReadFile(dir / "elsewhere/sub/IMG_7777.JPG"), "far");
}

// The destination is the source or lies inside it, however the paths are written: deleting
// the source would take the copies along, so Delete refuses before anything is asked (an
// unexpected question fails the test).
TEST_F(Delete, RefusesWhenTheDestinationIsOrLiesInsideTheSource) {
  MakeFolders(In("cases"));
  std::vector<std::pair<std::string, std::string>> refused = {
      {card, card + kSep},
      {In("cases"), "  " + card + kSep + " "},
      {In("not/made/yet"), card},
      {dir / "card/DCIM2/../DCIM/cases", card}};
  if (TryLink(In("cases"), dir / "cases-link")) refused.push_back({dir / "cases-link", card});
  for (const auto& [save, source] : refused) {
    h.desktop.boxes.clear();
    form.strSavePath = save;
    form.strSourcePath = source;
    form.cmdDelete_Click();
    EXPECT_EQ(
        h.desktop.boxes,
        (Boxes{{"The destination folder " + save + " lies inside the source folder " + source +
                    ", so deleting the source would delete the copies too.  Nothing has "
                    "been deleted.",
                16, "Delete refused"}}));
  }
}

#ifdef __linux__
// A mount point is the POSIX counterpart of a drive root: never deleted, and not entered when it
// lies below the source (removing the busy folder then fails like any folder in use).
TEST_F(Delete, AMountPointIsNeitherDeletedNorEntered) {
  const std::string mounted = In("100MEDIA/MOUNTED");
  MakeFolders(mounted);
  if (::mount("tmpfs", mounted.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  WriteFile(mounted + "/OTHER.JPG", "other");
  form.strSourcePath = mounted + "/";
  MarkCopied(mounted);
  ConfirmDelete(mounted);
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{"The directory " + mounted + "/ does not exist!", 64, "Nothing Here"}));

  form.strSourcePath = card;
  ConfirmDelete(card);
  EXPECT_EQ(h.desktop.boxes.back(), (MessageBoxCall{"An Error was occured", 48, "Error"}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  EXPECT_EQ(ReadFile(mounted + "/OTHER.JPG"), "other");
  EXPECT_FALSE(Exists(In("top.txt")));  // what went before the failure stays deleted
  ::umount2(mounted.c_str(), MNT_DETACH);
}
#endif

}  // namespace
}  // namespace pixferry
