// Delete on real folder trees. Every tree lives in a TempDir, and every test passes the path it
// is about to delete through GuardDeletion first.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::Exists;
using testing::GuardDeletion;
using testing::Harness;
using testing::JpegBytes;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using testing::WriteFile;

const char kCleansed[] = "Photos have been cleansed from the source.";
const char kFailed[] = "There has been an ERROR in cleansing (deletion).";
const MessageBoxCall kErrorBox{"An Error was occured", 48, "Error"};

void MakeReadOnly(const std::string& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool IsReadOnly(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Removes a tree from outside the program, as pulling the card out would; read-only files too.
void PullOut(const std::string& path) {
  GuardDeletion(path);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink())
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add);
  }
  fs::remove_all(path);
}

// Symbolic links need a privilege on Windows; those tests skip there without it.
bool TryLink(const std::string& target, const std::string& link, bool to_folder) {
  std::error_code ec;
  if (to_folder) {
    fs::create_directory_symlink(target, link, ec);
  } else {
    fs::create_symlink(target, link, ec);
  }
  return !ec;
}

class Delete : public ::testing::Test {
 protected:
  Delete() {
    // A card as a camera leaves it, with a hidden and a read-only file and nested folders.
    WriteFile(card / "100MEDIA/IMG_0001.JPG", JpegBytes());
    WriteFile(card / "100MEDIA/IMG_0002.JPG", JpegBytes());
    WriteFile(card / "100MEDIA/MVI_0003.MPG", "video");
    WriteFile(card / "100MEDIA/.thumbs", "hidden");
    WriteFile(card / "100MEDIA/LOCKED.JPG", JpegBytes());
    MakeReadOnly(card / "100MEDIA/LOCKED.JPG");
    WriteFile(card / "MISC/AUTPRINT.MRK", "print order");
    WriteFile(card / "MISC/deep/deeper/.info", "x");
    MakeReadOnly(card / "MISC/deep/deeper/.info");
    MakeFolders(card / "EMPTY");
    WriteFile(card / "top.txt", "top");
    // What must survive: the copies, the card's root and a sibling sharing the name's start.
    WriteFile(dir / "cases/0815_Desk_2008-03-02/00000001.JPG", JpegBytes());
    WriteFile(dir / "card/DCIM2/keep.JPG", JpegBytes());
    WriteFile(dir / "card/paths.dat", "settings");

    form.strSourcePath = card.path();
    form.strSavePath = dir / "cases";
    form.strSourceFiles = {"", "IMG_0001.JPG", "IMG_0002.JPG", "LOCKED.JPG"};
    form.lngSourceCount = 3;
    form.lngSourceIndex = 2;
    h.txtSource.text = "IMG_0002.JPG";
    for (testing::FakeButton* b :
         {&h.cmdSourceFirst, &h.cmdSourcePrevious, &h.cmdSourceNext, &h.cmdSourceLast,
          &h.cmdViewSource, &h.cmdTargetFirst, &h.cmdTargetPrevious, &h.cmdTargetNext,
          &h.cmdTargetLast, &h.cmdViewTarget}) {
      b->enabled = true;
    }
    form.strTargetPath = dir / "cases/0815_Desk_2008-03-02";
    form.strTargetFiles = {"", "00000001.JPG"};
    form.lngTargetCount = 1;
    form.lngTargetIndex = 1;
    h.txtTarget.text = "00000001.JPG";
    h.imgSource.picture = card / "100MEDIA/IMG_0002.JPG";
    form.strViewedFile = h.imgSource.picture;
    form.strViewedList = "Source";
    h.txtMessage.text = "status before";
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

  void ExpectSourceForgotten() {
    EXPECT_EQ(form.strSourcePath, "");
    EXPECT_EQ(form.strSourceFiles, std::vector<std::string>{""});
    EXPECT_EQ(form.lngSourceCount, 0);
    EXPECT_EQ(form.lngSourceIndex, 2);  // a stale index is harmless
    EXPECT_EQ(h.txtSource.text, "");
    EXPECT_FALSE(h.SourceButtonsEnabled());
  }

  void ExpectOthersUntouched() {
    EXPECT_EQ(ReadFile(dir / "cases/0815_Desk_2008-03-02/00000001.JPG"), JpegBytes());
    EXPECT_TRUE(Exists(dir / "card/DCIM2/keep.JPG"));
    EXPECT_EQ(ReadFile(dir / "card/paths.dat"), "settings");
    EXPECT_EQ(form.strSavePath, dir / "cases");
    EXPECT_EQ(form.lngTargetCount, 1);
    EXPECT_EQ(h.txtTarget.text, "00000001.JPG");
    EXPECT_TRUE(h.TargetButtonsEnabled());
    EXPECT_EQ(h.imgSource.picture, card / "100MEDIA/IMG_0002.JPG");
    EXPECT_EQ(form.strViewedFile, card / "100MEDIA/IMG_0002.JPG");
    EXPECT_EQ(form.strViewedList, "Source");
  }

  // Nothing was deleted, nothing forgotten, nothing reported in the status box.
  void ExpectNothingChanged() {
    EXPECT_TRUE(Exists(card / "100MEDIA/LOCKED.JPG"));
    EXPECT_TRUE(Exists(card / "MISC/deep/deeper/.info"));
    EXPECT_EQ(form.strSourcePath, card.path());
    EXPECT_EQ(form.lngSourceCount, 3);
    EXPECT_EQ(h.txtSource.text, "IMG_0002.JPG");
    EXPECT_TRUE(h.SourceButtonsEnabled());
    EXPECT_EQ(h.txtMessage.text, "status before");
    ExpectOthersUntouched();
  }

  TempDir dir;
  Harness h;
  frmMain& form = *h.form;
  // The card's photo folder, as a TempDir-like path helper.
  struct Card {
    std::string root;
    std::string path() const { return root; }
    std::string operator/(std::string_view relative) const {
      std::string result = root + kSep;
      for (char c : relative) result += c == '/' ? kSep : c;
      return result;
    }
  } card{dir / "card/DCIM"};
};

TEST_F(Delete, WithoutASourceOnlySaysNope) {
  form.strSourcePath = "";
  form.cmdDelete_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"Source directory is not set!", 64, "Nope"}));
  EXPECT_EQ(form.lngSourceCount, 3);
  EXPECT_TRUE(h.SourceButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, "status before");
  EXPECT_TRUE(Exists(card / "top.txt"));
}

TEST_F(Delete, AnsweringNoChangesNothing) {
  h.desktop.answers.push_back(mb::kAnswerNo);
  const MessageBoxCall question = Question();
  form.cmdDelete_Click();
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{question});
  ExpectNothingChanged();
}

TEST_F(Delete, RemovesTheWholeCardFolderAndForgetsTheSource) {
  const MessageBoxCall question = Question();
  ConfirmDelete(card.path());

  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{question});
  EXPECT_FALSE(Exists(card.path()));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  ExpectSourceForgotten();
  ExpectOthersUntouched();

  // A second Delete knows of no source.
  form.cmdDelete_Click();
  EXPECT_EQ(h.desktop.boxes.back(), (MessageBoxCall{"Source directory is not set!", 64, "Nope"}));
}

TEST_F(Delete, SpacesAndATrailingSeparatorAroundTheSourceAreIgnored) {
  form.strSourcePath = "  " + card.path() + kSep + " ";
  ConfirmDelete(card.path());
  EXPECT_FALSE(Exists(card.path()));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  ExpectOthersUntouched();
}

#ifndef _WIN32
TEST_F(Delete, ASubfolderWhoseNameEndsInASpaceIsDeletedToo) {
  WriteFile(card / "TRAIL /IMG_0009.JPG", JpegBytes());
  MakeFolders(card / "TRAIL");  // the name without its space: must not be mistaken for it
  ConfirmDelete(card.path());
  EXPECT_FALSE(Exists(card.path()));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
}
#endif

TEST_F(Delete, AFolderRemovedMeanwhileDoesNotExist) {
  const std::string source = card.path();
  h.desktop.on_box = [&](const MessageBoxCall& box) {
    if (box.title == "Delete?") PullOut(source);
  };
  const MessageBoxCall question = Question();
  ConfirmDelete(source);

  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{
                question, {"The directory " + source + " does not exist!", 64, "Nothing Here"}}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  ExpectSourceForgotten();
  ExpectOthersUntouched();
}

TEST_F(Delete, AFileIsNoFolderToDelete) {
  form.strSourcePath = card / "top.txt";
  ConfirmDelete(form.strSourcePath);
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{"The directory " + (card / "top.txt") + " does not exist!", 64,
                            "Nothing Here"}));
  EXPECT_EQ(ReadFile(card / "top.txt"), "top");
  EXPECT_EQ(h.txtMessage.text, kFailed);
  ExpectSourceForgotten();
}

// A root is never deleted. The early exit is first proven on real folders that a slip would
// destroy; only then does "/" itself go in (the guard refuses "/" by design, so it is not asked).
TEST_F(Delete, APathWithoutASeparatorOrARootIsNeverDeleted) {
  WriteFile(dir / "x/IMG_0001.JPG", JpegBytes());
  {
    ScopedCurrentDirectory here(dir.path());
    GuardDeletion(dir / "x");
    EXPECT_EQ(DeleteFolderTree(""), -1);
    EXPECT_EQ(DeleteFolderTree("   "), -1);
    ASSERT_EQ(DeleteFolderTree("x"), -1);
    ASSERT_EQ(DeleteFolderTree(std::string("x") + kSep), -1);
    ASSERT_EQ(DeleteFolderTree(std::string(" x") + kSep + "  "), -1);
  }
  ASSERT_TRUE(Exists(dir / "x/IMG_0001.JPG"));

#ifndef _WIN32
  EXPECT_TRUE(IsMountPoint("/"));
  ASSERT_EQ(DeleteFolderTree("/"), -1);

  form.strSourcePath = "/";
  h.desktop.answers.push_back(mb::kAnswerYes);
  form.cmdDelete_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{
                {"Are you sure you want to delete the source files from /?", 36, "Delete?"},
                {"The directory / does not exist!", 64, "Nothing Here"}}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  ExpectSourceForgotten();
  ExpectOthersUntouched();
#endif
}

TEST_F(Delete, TheDeleteTreeFlagIsAlwaysSet) {
  std::int16_t flag = 1;
  GuardDeletion(card / "EMPTY");
  DeleteTree(card / "EMPTY", flag, h.desktop);
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_FALSE(Exists(card / "EMPTY"));

  flag = 0;
  DeleteTree(card / "EMPTY", flag, h.desktop);
  EXPECT_EQ(flag, 1);
}

// ---- Links: removed as links, never followed.

TEST_F(Delete, ALinkInsideTheSourceIsRemovedAndWhatItLeadsToSurvives) {
  WriteFile(dir / "elsewhere/IMG_7777.JPG", JpegBytes());
  WriteFile(dir / "elsewhere/sub/notes.txt", "notes");
  WriteFile(dir / "elsewhere/single.txt", "single");
  MakeReadOnly(dir / "elsewhere/single.txt");
  if (!TryLink(dir / "elsewhere", card / "100MEDIA/to-folder", true) ||
      !TryLink(dir / "elsewhere/single.txt", card / "MISC/to-file", false) ||
      !TryLink(dir / "nowhere", card / "dangling", false)) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }

  ConfirmDelete(card.path());

  EXPECT_FALSE(Exists(card.path()));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_EQ(ReadFile(dir / "elsewhere/IMG_7777.JPG"), JpegBytes());
  EXPECT_EQ(ReadFile(dir / "elsewhere/sub/notes.txt"), "notes");
  EXPECT_EQ(ReadFile(dir / "elsewhere/single.txt"), "single");
  EXPECT_TRUE(IsReadOnly(dir / "elsewhere/single.txt"));  // not even its attributes changed
  ExpectOthersUntouched();
}

TEST_F(Delete, ASourceThatIsALinkLosesOnlyTheLink) {
  const std::string link = dir / "card/DCIM-link";
  if (!TryLink(card.path(), link, true)) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  for (const std::string& source : {link, link + kSep}) {
    SCOPED_TRACE(source);
    if (!Exists(link)) {
      ASSERT_TRUE(TryLink(card.path(), link, true));
    }
    form.strSourcePath = source;
    ConfirmDelete(link);
    EXPECT_FALSE(Exists(link));
    EXPECT_EQ(h.txtMessage.text, kCleansed);
    EXPECT_EQ(ReadFile(card / "100MEDIA/IMG_0001.JPG"), JpegBytes());
    EXPECT_TRUE(Exists(card / "MISC/deep/deeper/.info"));
    ExpectSourceForgotten();
  }
}

// ---- The destination inside the source: refused before anything is asked or deleted.

TEST_F(Delete, RefusesWhenTheDestinationIsOrLiesInsideTheSource) {
  const std::string inside = card / "cases";
  MakeFolders(inside);
  const std::string sep(1, kSep);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {card.path(), card.path()},
      {card.path() + sep, card.path()},
      {card.path(), card.path() + sep},
      {inside, card.path()},
      {inside, "  " + card.path() + sep + " "},
      {card / "not/made/yet", card.path()},
      {dir / "card/DCIM2/../DCIM/cases", card.path()},
      {dir / "card/./DCIM" + sep, card.path()},
  };
  for (const auto& [save, source] : cases) {
    SCOPED_TRACE(save + " in " + source);
    h.desktop.boxes.clear();
    form.strSavePath = save;
    form.strSourcePath = source;
    form.cmdDelete_Click();
    ASSERT_EQ(h.desktop.boxes.size(), 1u);
    EXPECT_EQ(h.desktop.boxes[0].style, 16);
    EXPECT_EQ(h.desktop.boxes[0].title, "Delete refused");
    EXPECT_EQ(h.desktop.boxes[0].text,
              "The destination folder " + save + " lies inside the source folder " + source +
                  ", so deleting the source would delete the copies too.  Nothing has been "
                  "deleted.");
    EXPECT_EQ(form.strSourcePath, source);
    EXPECT_TRUE(Exists(inside));
    EXPECT_TRUE(Exists(card / "top.txt"));
    EXPECT_TRUE(h.SourceButtonsEnabled());
    EXPECT_EQ(h.txtMessage.text, "status before");
  }
}

TEST_F(Delete, RefusesWhenALinkLeadsTheDestinationIntoTheSource) {
  MakeFolders(card / "cases");
  if (!TryLink(card / "cases", dir / "cases-link", true) ||
      !TryLink(card.path(), dir / "card-link", true)) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  for (const auto& [save, source] :
       {std::pair{dir / "cases-link", card.path()}, std::pair{card / "cases", dir / "card-link"}}) {
    SCOPED_TRACE(save + " in " + source);
    h.desktop.boxes.clear();
    form.strSavePath = save;
    form.strSourcePath = source;
    form.cmdDelete_Click();
    ASSERT_EQ(h.desktop.boxes.size(), 1u);
    EXPECT_EQ(h.desktop.boxes[0].title, "Delete refused");
    EXPECT_TRUE(Exists(card / "cases"));
  }
}

TEST_F(Delete, ADestinationBesideTheSourceIsNoReasonToRefuse) {
  for (const std::string& save : {dir / "card/DCIM2", dir / "card", std::string()}) {
    SCOPED_TRACE(save);
    h.desktop.boxes.clear();
    form.strSavePath = save;
    h.desktop.answers.push_back(mb::kAnswerNo);
    form.cmdDelete_Click();
    ASSERT_EQ(h.desktop.boxes.size(), 1u);
    EXPECT_EQ(h.desktop.boxes[0].title, "Delete?");
  }
}

// ---- Failures part-way: what went before stays deleted.

#ifdef __linux__
// A shell command for set-up that needs privileges; the test skips when it fails.
bool Run(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

// A small filesystem mounted for the test's lifetime.
class ScopedMount {
 public:
  explicit ScopedMount(const std::string& folder) : folder_(folder) {
    MakeFolders(folder);
    mounted_ = Run("mount -t tmpfs -o size=1m pixferry-test '" + folder + "'");
  }
  ~ScopedMount() {
    if (mounted_) Run("umount -l '" + folder_ + "'");
  }
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// A file even root cannot delete while the flag is on.
class ScopedImmutable {
 public:
  explicit ScopedImmutable(const std::string& file) : file_(file) {
    immutable_ = Run("chattr +i '" + file + "'");
  }
  ~ScopedImmutable() {
    if (immutable_) Run("chattr -i '" + file_ + "'");
  }
  bool immutable() const { return immutable_; }

 private:
  std::string file_;
  bool immutable_ = false;
};

TEST_F(Delete, AFileThatCannotBeDeletedStopsTheDeletionThere) {
  WriteFile(card / "MISC/deep/LOCKED.BIN", "locked");
  WriteFile(card / "MISC/deep/later/AFTER.TXT", "after");
  ScopedImmutable locked(card / "MISC/deep/LOCKED.BIN");
  if (!locked.immutable()) {
    GTEST_SKIP() << "chattr +i is not available on this filesystem";
  }
  const MessageBoxCall question = Question();

  ConfirmDelete(card.path());

  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{question, kErrorBox}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  ExpectSourceForgotten();
  // The folder's own files went first and stay deleted; the locked one and its folder remain.
  EXPECT_FALSE(Exists(card / "top.txt"));
  EXPECT_FALSE(Exists(card / "MISC/AUTPRINT.MRK"));
  EXPECT_TRUE(Exists(card / "MISC/deep/LOCKED.BIN"));
  EXPECT_TRUE(Exists(card / "MISC/deep/later/AFTER.TXT"));  // its turn never came
  ExpectOthersUntouched();
}

TEST_F(Delete, AMountPointInsideTheSourceIsNotEntered) {
  ScopedMount mount(card / "100MEDIA/MOUNTED");
  if (!mount.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  WriteFile(card / "100MEDIA/MOUNTED/OTHER.JPG", JpegBytes());
  const MessageBoxCall question = Question();

  ConfirmDelete(card.path());

  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{question, kErrorBox}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  ExpectSourceForgotten();
  EXPECT_EQ(ReadFile(card / "100MEDIA/MOUNTED/OTHER.JPG"), JpegBytes());
  EXPECT_FALSE(Exists(card / "top.txt"));
  EXPECT_FALSE(Exists(card / "100MEDIA/IMG_0001.JPG"));
  ExpectOthersUntouched();
}

TEST_F(Delete, ACardRootThatIsAMountPointIsNeverDeleted) {
  ScopedMount mount(dir / "media/CARD");
  if (!mount.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  WriteFile(dir / "media/CARD/DCIM/100MEDIA/IMG_0001.JPG", JpegBytes());
  for (const std::string& source : {dir / "media/CARD", dir / "media/CARD/"}) {
    SCOPED_TRACE(source);
    h.desktop.boxes.clear();
    form.strSourcePath = source;
    ConfirmDelete(dir / "media/CARD");
    EXPECT_EQ(h.desktop.boxes.back(),
              (MessageBoxCall{"The directory " + source + " does not exist!", 64, "Nothing Here"}));
    EXPECT_EQ(h.txtMessage.text, kFailed);
    EXPECT_EQ(ReadFile(dir / "media/CARD/DCIM/100MEDIA/IMG_0001.JPG"), JpegBytes());
    ExpectSourceForgotten();
  }
}
#endif

}  // namespace
}  // namespace pixferry
