// Delete's question about photos, videos and sound recordings without a verified copy, on real
// cards in a TempDir after real copies, proved this run or listed in a hash list before a
// restart; each tree about to go passes GuardDeletion first.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/frmMain.h"
#include "copy/PhotoExtensions.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/namespaces.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// The file below root named as the hash lists name it, with "/" between the names.
std::string Below(const std::string& root, std::string copy) {
  std::replace(copy.begin(), copy.end(), '/', kSep);
  return root + kSep + copy;
}

// Records copies below root as proved, each with the card's file it is a copy of, as that is now:
// in form's memory as the copy proves them, or without a form in the list of case_name, as the
// copy lists what it proved.
void ListCopies(const std::string& root, const std::string& case_name,
                const std::vector<std::pair<std::string, std::string>>& source_and_copy,
                frmMain* form = nullptr) {
  std::vector<HashRecord> records;
  for (const auto& [source, copy] : source_and_copy) {
    const Digest digest = Sha256Of(ReadFile(Below(root, copy)));
    if (form) form->verified_copies.Add(source, StampAt(source), Below(root, copy), digest);
    records.push_back({digest, copy, source, StampAt(source), "2026-12-07T10:15:00Z"});
  }
  EXPECT_EQ(form ? 0 : HashList(root, case_name).Add(records), 0);
}

// Rewrites a file with other bytes of the same size and puts its time of last change back: only
// its time of change (ctime, ChangeTime), which no program sets, tells.
void ChangeInPlace(const std::string& path) {
  const FileStamp before = StampAt(path);
  const auto written = fs::last_write_time(path);
  std::string bytes = ReadFile(path);
  bytes[0] = static_cast<char>(bytes[0] ^ 1);
  // The system's clock for file times may step coarsely.
  for (int tries = 0; tries < 1000 && StampAt(path).changed == before.changed; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    WriteFile(path, bytes);
    fs::last_write_time(path, written);
  }
  ASSERT_NE(StampAt(path).changed, before.changed);
}

// Every common camera format in any letter case, nothing the camera or a computer makes again
// from them.
TEST(CameraFiles, EveryCommonFormatInAnyLetterCaseAndNoThumbnailOrCatalog) {
  std::istringstream formats(
      "jpg jpeg mpg mpeg mov mp4 m4v avi mts m2ts 3gp wav heic heif hif dng cr2 cr3 crw nef nrw "
      "arw srf sr2 orf rw2 raf pef srw x3f 3fr iiq erf kdc mrw rwl raw tif tiff png");
  for (std::string e; formats >> e;) {
    const std::string upper = AsciiUpper(e);
    for (const std::string& x : {e, upper, upper.substr(0, 1) + e.substr(1)}) {
      EXPECT_TRUE(IsCameraFile("IMG_0001." + x)) << x;
    }
  }
  for (const char* name : {"IMG_0001.THM", "IMG_0001.thm", "MVI_0002.LRV", "INDEX.CTG",
                           "IMG_0001.XMP", "notes.txt", "JPG", "IMG_0001.JPG.part", "IMG_0001"}) {
    EXPECT_FALSE(IsCameraFile(name)) << name;
  }
}

// The typical card: two photos and a clip the copy takes, a note, a photo whose extension's
// mixed case the copy passes over, and what the copy does not take: a RAW file beside its JPEG
// and a video with its thumbnail.
class NotCopied : public ::testing::Test {
 protected:
  NotCopied() {
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.jpg", "clip.MPG", "notes.txt",
                             "DSC_0003.Jpg", "IMG_0001.CR2", "MVI_0004.MOV", "MVI_0004.THM"}) {
      WriteFile(In(name), name);
    }
    f.strSavePath = dir / "cases";
    MakeFolders(f.strSavePath);
    f.strSourcePath = source;
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }

  std::string In(const std::string& name) const { return source + kSep + name; }
  void TakeOffTheCard(const std::string& name) {
    GuardDeletion(In(name));
    fs::remove(fs::path(In(name)));
  }
  // "Not copied" about n files without a verified copy in the source (spelled as in), named.
  MessageBoxCall Question(int n, const std::string& named, std::string in = "") const {
    if (in.empty()) in = source;
    return {
        (n == 1 ? "1 photo, video or sound recording in " + in + " has"
                : std::to_string(n) + " photos, videos or sound recordings in " + in + " have") +
            " no verified copy: " + named + ".  Do you want to delete anyway?",
        308, "Not copied"};
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

// Copied, then cleansed: the photo the copy passed over, the RAW file and the video are named
// before "Delete?" is asked, the thumbnail is not, and No (what Return gives) keeps the card.
TEST_F(NotCopied, TheTypicalCardAsksAboutWhatTheCopyPassedOver) {
  f.cmdStartCopy_Click();
  ASSERT_EQ(h.txtMessage.text, kCopied);
  const MessageBoxCall not_copied = Question(3, "DSC_0003.Jpg, IMG_0001.CR2, MVI_0004.MOV");

  EXPECT_EQ(PressDelete({mb::kAnswerNo}), Boxes{not_copied});
  EXPECT_EQ(PressDelete({mb::kAnswerYes, mb::kAnswerNo}), (Boxes{not_copied, DeleteQuestion()}));
  EXPECT_TRUE(Exists(In("DSC_0003.Jpg")) && Exists(In("notes.txt")));
  EXPECT_EQ(h.txtMessage.text + f.strSourcePath, kCopied + source);

  GuardDeletion(source);
  EXPECT_EQ(PressDelete({mb::kAnswerYes, mb::kAnswerYes}), (Boxes{not_copied, DeleteQuestion()}));
  EXPECT_FALSE(Exists(source));
  EXPECT_TRUE(Exists(dir / "cases/0815_Desk_2008-03-02/IMG_0002.jpg"));
}

// Nothing copied since the program started: every camera file counts, in any letter case. A
// trailing separator, and on Windows blanks around the source, which the deletion ignores, change
// nothing here either; on POSIX a trailing blank names another folder, the one looked through.
TEST_F(NotCopied, DeleteWithoutACopyNamesTheFirstAndCountsTheRest) {
  const std::string six = "DSC_0003.Jpg, IMG_0001.CR2, IMG_0001.JPG and 3 more";
  std::vector<std::pair<std::string, std::string>> rows = {
#ifdef _WIN32
      {source, six}, {"  " + source + kSep + " ", six}};
#else
      {source, six}, {source + kSep, six}, {source + " ", "IMG_0009.JPG"}};
  WriteFile(source + " /IMG_0009.JPG", "only here");
#endif
  for (const auto& [written, named] : rows) {
    SCOPED_TRACE(written);
    f.strSourcePath = written;
    EXPECT_EQ(PressDelete({mb::kAnswerNo}), Boxes{Question(named == six ? 6 : 1, named, written)});
  }
  EXPECT_TRUE(Exists(In("IMG_0001.JPG")));
}

// Copied yesterday, cleansed today: a fresh window finds the copies in the hash list beside the
// case folder, reads each again from the destination while the status box counts them (the
// window kept alive), and asks only "Delete?"; the status box is as it was. Then a photo changed
// or added after the copy, and a hidden one deeper in the tree: none has a verified copy, also
// where the list knows no time of change.
TEST_F(NotCopied, AfterARestartTheHashListsCountAndEachCopyIsReadAgain) {
  for (const char* name : {"DSC_0003.Jpg", "IMG_0001.CR2", "MVI_0004.MOV"}) TakeOffTheCard(name);
  f.cmdStartCopy_Click();
  ASSERT_EQ(h.txtMessage.text, kCopied);
  const std::string case_name = "0815_Desk_2008-03-02";
  ListCopies(f.strSavePath, case_name,
             {{In("IMG_0001.JPG"), case_name + "/IMG_0001.JPG"},
              {In("IMG_0002.jpg"), case_name + "/IMG_0002.jpg"},
              {In("clip.MPG"), case_name + "/clip.MPG"}});

  Harness restarted;
  restarted.form->strSavePath = f.strSavePath;
  restarted.form->strSourcePath = source;
  restarted.txtMessage.text = "before";
  restarted.desktop.answers = {mb::kAnswerNo};
  restarted.form->cmdDelete_Click();
  EXPECT_EQ(restarted.desktop.boxes, Boxes{DeleteQuestion()});
  const std::string checking = "Checking the copies before Delete... ";
  EXPECT_EQ(restarted.txtMessage.refreshed,
            (Names{checking + "1 of 3", checking + "2 of 3", checking + "3 of 3"}));
  EXPECT_GE(restarted.desktop.keep_alives, 3);
  EXPECT_EQ(restarted.txtMessage.text, "before");

  // As a list written where no time of change is known: the time of last change tells alone.
  const std::string list = f.strSavePath + kSep + case_name + ".sha256";
  WriteFile(list, std::regex_replace(ReadFile(list), std::regex(" changed=[0-9]+"), ""));
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
            Boxes{Question(3, "IMG_0001.JPG, IMG_0004.JPG, " + hidden)});
}

// Whether proved this run or listed before a restart, a copy counts only while it still holds
// what was proved, under the destination root for a listed one, and is not the card's file
// itself; and only for the card's file as it was then.
TEST_F(NotCopied, ACopyCountsOnlyWhileItHoldsWhatWasProved) {
  enum { kIntact, kRemoved, kOverwritten, kCutShort, kCardChanged, kTheCardsOwn, kOutside };
  for (const char* name : {"clip.MPG", "DSC_0003.Jpg", "IMG_0001.CR2", "MVI_0004.MOV"}) {
    TakeOffTheCard(name);
  }
  for (int spoil = kIntact; spoil <= kOutside; ++spoil) {
    for (const bool listed : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "case " << spoil << (listed ? ", listed" : ""));
      // Only an intact copy counts, and one outside the root only as proved this run.
      const bool named = spoil != kIntact && (listed || spoil != kOutside);
      // IMG_0001.JPG's copy, below the destination root: the card's file itself through a link,
      // or a file outside the root.
      const std::string copy = spoil == kTheCardsOwn ? "card/IMG_0001.JPG"
                               : spoil == kOutside   ? "../elsewhere/IMG_0001.JPG"
                                                     : "0815/IMG_0001.JPG";
      // A destination root of its own for each: under Wine a link to a folder reads as the
      // folder, and removing it would remove what it leads to.
      const std::string root = dir / ("cases" + std::to_string(2 * spoil + listed));
      // The second photo is read again in several chunks and ends inside a sector.
      for (const std::string name : {"IMG_0001.JPG", "IMG_0002.jpg"}) {
        const std::string bytes =
            "photo " + name + std::string(name == "IMG_0002.jpg" ? 2500000 : 0, 'p');
        WriteFile(In(name), bytes);
        // In whole seconds, which every system can put back (mingw's library sets no less).
        fs::last_write_time(
            In(name), std::chrono::floor<std::chrono::seconds>(fs::last_write_time(In(name))));
        WriteFile(Below(root, "0815/" + name), bytes);
      }
      if (spoil != kTheCardsOwn) {
        WriteFile(Below(root, copy), ReadFile(In("IMG_0001.JPG")));
      } else if (!MakeLink(source, root + kSep + "card")) {
        continue;  // no links here
      }
      Harness run;
      run.form->strSavePath = root;
      run.form->strSourcePath = source;
      ListCopies(root, "0815",
                 {{In("IMG_0001.JPG"), copy}, {In("IMG_0002.jpg"), "0815/IMG_0002.jpg"}},
                 listed ? nullptr : run.form.get());
      if (spoil == kRemoved) GuardDeletion(Below(root, copy));
      if (spoil == kRemoved) fs::remove(Below(root, copy));
      if (spoil == kOverwritten) WriteFile(Below(root, copy), "photo IMG_0001.JPX");
      if (spoil == kCutShort) fs::resize_file(Below(root, copy), 4);
      if (spoil == kCardChanged) ChangeInPlace(In("IMG_0001.JPG"));
      run.desktop.answers = {mb::kAnswerNo};
      run.form->cmdDelete_Click();
      EXPECT_EQ(run.desktop.boxes, Boxes{named ? Question(1, "IMG_0001.JPG") : DeleteQuestion()});
    }
  }
}

#ifndef _WIN32
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
                        Boxes{Question(1,
                                       "NOREAD/IMG_0007.JPG; 1 folder could not be checked "
                                       "for photos: OTHERS")});
              EXPECT_EQ(fs::status(In("NOREAD")).permissions(), no_read);
            })),
            "");
}
#endif

}  // namespace
}  // namespace pixferry
