// Delete on real trees in a TempDir; each path about to go passes GuardDeletion first.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "cleanse/DeleteRefusal.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/files.h"
#include "platform/tree.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#else
#include <sys/mount.h>
#include <sys/resource.h>

#include "tests/support/namespaces.h"
#endif

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

const char kCleansed[] = "Photos have been cleansed from the source.";
const char kFailed[] = "There has been an ERROR in cleansing (deletion).";

// A symbolic link to a folder; false where none can be made (mingw's std::filesystem makes none,
// and Wine makes no junctions).
bool LinkFolder(const std::string& target, const std::string& link) {
  std::error_code ec;
  fs::create_directory_symlink(target, link, ec);
  return !ec;
}

MessageBoxCall InsideRefused(const std::string& save, const std::string& source) {
  return {"The destination folder " + save + " lies inside the source folder " + source +
              ", so deleting the source would delete the copies too.  Nothing has been deleted.",
          16, "Delete refused"};
}

MessageBoxCall StartRefused(const std::string& source, const std::string& start) {
  return {"The source folder " + source + " is or contains the folder Pixferry was started in (" +
              start + "), which holds its settings file paths.dat.  Nothing has been deleted.",
          16, "Delete refused"};
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
    MarkCopied(form, card);
  }

  std::string In(const std::string& path) const {
    return dir / ("card/DCIM/" + path);
  }
  static MessageBoxCall Question(const std::string& source) {
    return {"Are you sure you want to delete the source files from " + source + "?", 36, "Delete?"};
  }

  // Presses Delete with these folders and gives only the boxes it showed.
  Boxes PressDelete(const std::string& save, const std::string& source) {
    h.desktop.boxes.clear();
    form.strSavePath = save;
    form.strSourcePath = source;
    form.cmdDelete_Click();
    return h.desktop.boxes;
  }

  // Presses Delete on source and answers Yes; the folder about to go, source as the deletion
  // reads it, passes the guard first.
  void ConfirmDelete(const std::string& source, std::string guarded = {}) {
    if (guarded.empty()) guarded = source;
    GuardDeletion(guarded);
    MarkCopied(form, guarded);
    form.strSourcePath = source;
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
  h.desktop.answers.push_back(mb::kAnswerNo);
  form.cmdDelete_Click();
  EXPECT_TRUE(Exists(In("top.txt")));
  EXPECT_EQ(h.txtMessage.text, "status before");

#ifdef _WIN32
  const std::string spelled = "  " + card + kSep + " ";  // Windows ignores blanks at the ends
#else
  const std::string spelled = card + kSep;
#endif
  ConfirmDelete(spelled, card);
  EXPECT_FALSE(Exists(card));
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_GT(h.desktop.keep_alives, 8) << "the window was not kept alive between entries";
  EXPECT_EQ(ReadFile(dir / "card/DCIM2/0815/00000001.JPG"), "copy");
  EXPECT_FALSE(h.SourceButtonsEnabled());
  form.cmdDelete_Click();  // a second Delete knows of no source
  EXPECT_EQ(
      h.desktop.boxes,
      (Boxes{Question(card), Question(spelled), {"Source directory is not set!", 64, "Nope"}}));
}

// A path with no separator left (a bare drive) or a root is never deleted.
TEST_F(Delete, APathWithoutASeparatorOrARootIsNeverDeleted) {
  {
    ScopedCurrentDirectory here(card);
    GuardDeletion(In("EMPTY"));
#ifdef _WIN32
    ASSERT_EQ(DeleteFolderTree(std::string(" EMPTY") + kSep + " "), -1);
#else
    ASSERT_EQ(DeleteFolderTree(std::string("EMPTY") + kSep), -1);
#endif
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
  if (!LinkFolder(dir / "elsewhere", In("100MEDIA/to-folder")) || !LinkFolder(card, link)) {
    GTEST_SKIP() << "links to folders cannot be made here";
  }
  ConfirmDelete(link);
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(Exists(In("MISC/deep/LOCKED.JPG")));

  ConfirmDelete(card);
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_FALSE(Exists(card));
  EXPECT_EQ(ReadFile(dir / "elsewhere/sub/IMG_7777.JPG"), "far");
}

#ifndef _WIN32
MessageBoxCall RootRefused(const std::string& source) {
  return {"The source folder " + source +
              " is the root of a drive or of a mounted file system, which Delete never "
              "removes.  Nothing has been deleted.",
          16, "Delete refused"};
}
#endif

// The destination is the source or lies inside it, however the paths are written (on Windows:
// case beyond ASCII, the short 8.3 name, the second drive letter the test run makes, T:):
// deleting the source would take the copies along, so Delete refuses before anything is asked
// (an unexpected question fails the test). So it does when the source lies inside the
// destination, for "/" however it is written, and for a source that is or holds the folder the
// program was started in, which holds paths.dat.
TEST_F(Delete, RefusesWhenTheDestinationAndTheSourceHoldOneAnother) {
  MakeFolders(In("cases"));
  std::vector<std::pair<std::string, std::string>> refused = {
      {card, card + kSep},
#ifdef _WIN32
      {In("cases"), "  " + card + kSep + " "},
#else
      {In("cases"), In("100MEDIA/..")},
#endif
      {In("not/made/yet"), card},
      {dir / "card/DCIM2/../DCIM/cases", card}};
  if (LinkFolder(In("cases"), dir / "cases-link")) refused.push_back({dir / "cases-link", card});
#ifdef _WIN32
  const std::string evidence = dir / "\xC3\x89vidence";  // Évidence
  MakeFolders(evidence + "\\Cases");
  refused.push_back({dir / "\xC3\xA9VIDENCE\\Cases", evidence});  // éVIDENCE
  std::wstring short_name(MAX_PATH, L'\0');
  const DWORD n = ::GetShortPathNameW(Widen(evidence).c_str(), short_name.data(), MAX_PATH);
  if (n > 0 && n < MAX_PATH && Narrow(short_name.substr(0, n)) != evidence) {
    refused.push_back({evidence + "\\Cases", Narrow(short_name.substr(0, n))});
  }
  refused.push_back(
      {"T:" + dir.path().substr(dir.path().rfind('\\')) + "\\\xC3\x89vidence\\Cases", evidence});
#endif
  for (const auto& [save, source] : refused) {
    EXPECT_EQ(PressDelete(save, source), Boxes{InsideRefused(save, source)}) << save;
  }
  // The other way round: the source is a case folder, or lies below the destination root.
  for (const std::string& save : {dir / "card", card}) {
    const std::string source = In("100MEDIA");
    EXPECT_EQ(PressDelete(save, source),
              (Boxes{{"The source folder " + source + " is or lies inside the destination folder " +
                          save + ", which holds the copies.  Nothing has been deleted.",
                      16, "Delete refused"}}));
  }
#ifndef _WIN32
  std::string climbs = dir / "card";
  for (int i = 0; i < 64; ++i) climbs += "/..";
  for (const std::string& root : {std::string("/"), std::string("/."), std::string("//"), climbs}) {
    EXPECT_EQ(PressDelete(form.strSavePath, root), Boxes{RootRefused(root)});
  }
#endif
  // The source is or holds the start folder.
  for (const std::string& start : {card, In("100MEDIA")}) {
    WriteFile(start + kSep + "paths.dat", "settings");
    form.strMyDirectory = start;
    EXPECT_EQ(PressDelete(dir / "card/DCIM2", card), Boxes{StartRefused(card, start)});
    EXPECT_EQ(ReadFile(start + kSep + "paths.dat"), "settings");
  }
}

#ifndef _WIN32
// POSIX names are used as the platform stores them: blanks at the ends belong to the name, so
// " " and "100MEDIA " go alone and their parent and sibling stay; blanks in front of a path make
// another path, which is not there.
TEST_F(Delete, BlanksAtTheEndsOfANameNameAnotherFolder) {
  WriteFile(In(" /IMG_0001.JPG"), "blank");
  WriteFile(In("100MEDIA /IMG_0002.JPG"), "blank");
  for (const std::string& blank : {In(" "), In("100MEDIA ")}) {
    h.desktop.boxes.clear();
    ConfirmDelete(blank);
    EXPECT_EQ(h.desktop.boxes, Boxes{Question(blank)});
    EXPECT_FALSE(Exists(blank));
  }
  EXPECT_EQ(ReadFile(In("top.txt")), "top");
  ConfirmDelete(" " + In("100MEDIA"), In("100MEDIA"));
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{"The directory  " + In("100MEDIA") + " does not exist!", 64,
                            "Nothing Here"}));
  EXPECT_TRUE(Exists(In("100MEDIA/IMG_0001.JPG")));
}

// A deep tree exhausts neither the stack nor the open files, and no path can spell its depths:
// far more levels than this process may hold open files at once, or than a path may be long.
// Delete's look for photos goes as deep as the deletion.
TEST_F(Delete, ATreeDeeperThanAPathMayBeLongGoes) {
  {
    // Names relative to the folder reached last: no path spells the depths.
    ScopedCurrentDirectory here(In("EMPTY"));
    for (int level = 0; level < 200; ++level) {
      if (level % 30 == 0) WriteFile("note.txt", "");
      fs::create_directory("a-folder-with-a-long-name");
      fs::current_path("a-folder-with-a-long-name");
    }
  }
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const rlimit low{64, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  ConfirmDelete(card);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_FALSE(Exists(card));
}

// Root may remove from any folder, so the folders' own permissions are tried without root's
// rights over them; Delete gives back to a folder, on its own handle, the permission its owner
// needs to empty it. Removing a name needs only the folder's permission: a read-only file whose
// other name lies outside keeps its mode there.
TEST_F(Delete, FoldersWithoutWriteReadOrSearchPermissionAreEmptiedAndRemoved) {
  WriteFile(In("NOREAD/IMG_1.JPG"), "x");
  WriteFile(In("NOSEARCH/IMG_2.JPG"), "x");
  const std::string outside = dir / "evidence/LOCKED.JPG";
  WriteFile(outside, "kept");
  using enum fs::perms;
  fs::permissions(outside, owner_read, fs::perm_options::replace);
  fs::create_hard_link(outside, In("100MEDIA/LINKED.JPG"));
  fs::permissions(In("100MEDIA"), owner_read | owner_exec, fs::perm_options::replace);
  fs::permissions(In("NOREAD"), owner_write | owner_exec, fs::perm_options::replace);
  fs::permissions(In("NOSEARCH"), owner_read | owner_write, fs::perm_options::replace);
  fs::permissions(In("MISC/deep"), none, fs::perm_options::replace);
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              ASSERT_EQ(DropFileRights(), "");
              EXPECT_EQ(DeleteFolderTree(card), 0);
              EXPECT_FALSE(Exists(card));
            })),
            "");
  EXPECT_EQ(fs::status(outside).permissions(), owner_read);
  EXPECT_EQ(ReadFile(outside), "kept");
}

// A folder bound below the source from outside is never entered and never removed: the deletion
// ends in an error there, and the outside folder keeps what it holds and its mode, though its
// owner may not list it. A source that is itself a mount root is refused. The mount is made in a
// namespace of its own, so no root is needed; root's rights over folders are dropped there.
TEST_F(Delete, AFolderBoundBelowTheSourceIsNotEnteredAndIsRefusedAsTheSource) {
  const std::string outside = dir / "outside";
  const std::string mounted = In("MISC/BOUND");
  WriteFile(outside + "/KEEP.JPG", "outside");
  MakeFolders(mounted);
  const fs::perms no_read = fs::perms::owner_write | fs::perms::owner_exec;
  fs::permissions(outside, no_read, fs::perm_options::replace);
  EXPECT_EQ(
      InMountNamespace(Expecting([&] {
        ASSERT_EQ(::mount(outside.c_str(), mounted.c_str(), nullptr, MS_BIND, nullptr), 0);
        ASSERT_EQ(DropFileRights(), "");
        EXPECT_EQ(PressDelete(form.strSavePath, mounted), Boxes{RootRefused(mounted)});
        h.desktop.boxes.clear();
        ConfirmDelete(card);
        EXPECT_EQ(h.desktop.boxes, (Boxes{Question(card), {"An Error was occured", 48, "Error"}}));
        EXPECT_EQ(h.txtMessage.text, kFailed);
        EXPECT_FALSE(Exists(In("top.txt"))) << "the files before the mount were not deleted";
      })),
      "");
  EXPECT_EQ(fs::status(outside).permissions(), no_read);
  EXPECT_EQ(ReadFile(outside + "/KEEP.JPG"), "outside");
}

// The same folder reached through a bind mount is still the same folder: the source seen from
// elsewhere, or a folder of the source bound elsewhere as the destination or the start folder,
// which only the walk through the source meets. The deletion's own walk stops there too.
TEST_F(Delete, FoldersReachedThroughABindMountAreStillTheSameFolders) {
  WriteFile(In("cases/00000001.JPG"), "copy");
  const std::string alias = dir / "alias";
  const std::string save = dir / "save";
  const std::string start = dir / "start";
  for (const std::string& folder : {alias, save, start}) MakeFolders(folder);
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              ASSERT_EQ(::mount(card.c_str(), alias.c_str(), nullptr, MS_BIND, nullptr), 0);
              ASSERT_EQ(::mount(In("cases").c_str(), save.c_str(), nullptr, MS_BIND, nullptr), 0);
              ASSERT_EQ(::mount(In("MISC").c_str(), start.c_str(), nullptr, MS_BIND, nullptr), 0);
              EXPECT_EQ(PressDelete(alias + "/cases", card),
                        Boxes{InsideRefused(alias + "/cases", card)});
              EXPECT_EQ(PressDelete(save, card), Boxes{InsideRefused(save, card)});
              form.strMyDirectory = start;
              EXPECT_EQ(PressDelete(dir / "card/DCIM2", card), Boxes{StartRefused(card, start)});
              GuardDeletion(card);
              FolderIdentity fenced;
              ASSERT_EQ(IdentifyFolder(save, fenced), 0);
              EXPECT_EQ(DeleteFolderTree(card, {}, {fenced}), kFenced);
            })),
            "");
  EXPECT_EQ(ReadFile(In("cases/00000001.JPG")), "copy");
}
#endif

#ifdef _WIN32
// A read-only folder and read-only, hidden and system files all go.
TEST_F(Delete, ReadOnlyFoldersAndHiddenOrSystemFilesGo) {
  WriteFile(In("LOCKED/SYSTEM.JPG"), "x");
  ASSERT_TRUE(::SetFileAttributesW(
      Widen(In("LOCKED/SYSTEM.JPG")).c_str(),
      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(Widen(In("LOCKED")).c_str(), FILE_ATTRIBUTE_READONLY));
  ConfirmDelete(card);
  EXPECT_EQ(h.txtMessage.text, kCleansed);
  EXPECT_FALSE(Exists(card));
}

// A folder held open elsewhere (without delete sharing) loses its files but stays, and the
// operator hears of it.
TEST_F(Delete, AFolderInUseLosesItsFilesAndStays) {
  WriteFile(In("BUSY/IMG_0003.JPG"), "x");
  const HANDLE busy = ::CreateFileW(Widen(In("BUSY")).c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  ConfirmDelete(card);
  ::CloseHandle(busy);
  EXPECT_EQ(h.desktop.boxes.back(), (MessageBoxCall{"An Error was occured", 48, "Error"}));
  EXPECT_EQ(h.txtMessage.text, kFailed);
  EXPECT_TRUE(Exists(In("BUSY")));
  EXPECT_FALSE(Exists(In("BUSY/IMG_0003.JPG")));
  EXPECT_FALSE(Exists(In("top.txt")));
}

// A link on the card to a file elsewhere: the file it leads to stays. Under Wine a Unix link lists
// as a plain file and opens as its target, which lies outside the folder being emptied: the walk
// stops there, and says so. Where the link lists as a link, it goes alone.
TEST_F(Delete, ALinkToAFileElsewhereNeverCostsThatFile) {
  const std::string outside = dir / "evidence/KEEP.JPG";
  const std::string link = In("100MEDIA/LINK.JPG");
  WriteFile(outside, "kept");
  if (!MakeLink(outside, link)) {
    GTEST_SKIP() << "links to files cannot be made here";
  }
  const bool listed_as_link =
      (::GetFileAttributesW(Widen(link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  ConfirmDelete(card);
  EXPECT_EQ(ReadFile(outside), "kept");
  EXPECT_EQ(h.txtMessage.text, listed_as_link ? kCleansed : kFailed);
}
#endif

// The refusal of a start folder that is the source or lies below it, not above it nor beside it,
// on made-up identity chains ("cba": c in b in a). The look for photos stops at that folder too,
// so only here does a fault in the refusal itself show.
TEST(DeleteRefusal, RefusesASourceThatIsOrHoldsTheStartFolder) {
  const auto chain = [](const std::string& folders) {
    FolderIdentity identity;
    for (char c : folders) identity.chain.emplace_back(1, c);
    return std::optional<FolderIdentity>(identity);
  };
  using enum DeleteRefusal;
  EXPECT_EQ(WhyDeleteIsRefused(chain("ba"), chain("ba"), std::nullopt), kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(chain("ba"), chain("dcba"), chain("cba")), kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(chain("cba"), chain("ba"), std::nullopt), kNone);
  EXPECT_EQ(WhyDeleteIsRefused(chain("cba"), chain("dba"), std::nullopt), kNone);
}

}  // namespace
}  // namespace pixferry
