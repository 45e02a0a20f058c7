// Every file operation of a copy made to fail in turn, once or from then on, one run per
// operation and call, in the manner of I/O-error sweeps, while the copies are checked beside the
// reading of the card: whatever fails, no final name holds a wrong or partial file, no copy is
// named or listed that was not proved (unless only its line could not be written), no temporary
// is left, one box at most ends the copy, and the run is told as a success only when every photo
// was proved. Then a copy stored one byte wrong, file by file, answered Yes and No; and what the
// checks see of a copy in flight and of its source.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "tests/faults/card_job.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using namespace testing;
using namespace std::chrono_literals;

constexpr int kPhotos = 7;
constexpr std::size_t kInFlight = 3;

MessageBoxCall Differs(int i) {
  return {"There was an error in copying the file " + CardJob::Name(i) +
              ".  Do you want to continue to the next file?",
          20, "Error!"};
}

// One run of Start on a fresh card of seven photos, three in flight at most, into a case folder
// it makes, and then Delete answered No.
struct CardRun : CardJob {
  CardRun() : CardJob(kPhotos) {
    form.copy_job_limits.files = kInFlight;
    h.desktop.answers.assign(kPhotos, mb::kAnswerYes);  // go on after each copy not proved
    h.desktop.on_box = [this](const MessageBoxCall&) {
      status_at_box.push_back(h.txtMessage.text);
    };
  }

  std::string failure;  // the box a failure of the copy ends in
  Names status_at_box;

  // The photos with a proved copy.
  std::vector<int> Proved() const {
    std::vector<int> proved;
    for (int i = 1; i <= kPhotos; ++i) {
      if (FileStamp stamp;
          StampOf(Card(i), stamp) == 0 && form.verified_copies.Covers(Card(i), stamp))
        proved.push_back(i);
    }
    return proved;
  }

  // The invariants after the run; where says which fault was made. A copy may hold its name
  // unproved only where its line could not be written.
  void Check(const std::string& where, bool unlisted_named = false) {
    SCOPED_TRACE(where);
    const std::vector<int> named = ExpectOnlyWholeCopies();
    const std::vector<int> proved = Proved();
    std::map<std::string, std::string> lines;
    for (const int i : proved) lines[Name(i)] = ToHex(Sha256Of(Photo(i)));
    EXPECT_EQ(Listed(), lines) << "the list is not the proved copies";
    // A list that cannot be written ends the job: no more than the batch in hand is named
    // without its line.
    EXPECT_LE(named.size() - proved.size(), unlisted_named ? kInFlight : 0u)
        << "a copy named that was not proved";
    for (const int i : proved) EXPECT_NE(std::find(named.begin(), named.end(), i), named.end());

    // Success is told only when every photo was proved (a listing may fail after its last name);
    // a run that stopped before copying (the destination check) has told the operator in a box of
    // its own. One box at most ends the copy, however many copies were in flight when the medium
    // failed.
    const bool all = proved.size() == kPhotos;
    bool listing_failed = false;
    Boxes ending;
    for (const MessageBoxCall& box : h.desktop.boxes) {
      listing_failed = listing_failed || box.text.ends_with(" in SortedFiles");
      if (box.text.ends_with(" in StartMassCopy")) ending.push_back(box);
      EXPECT_NE(box.title, "Error!") << "a question about a copy no fault made wrong";
    }
    if (h.txtMessage.text.empty()) {
      EXPECT_FALSE(h.desktop.boxes.empty()) << "stopped without a word";
    } else if (!all || !listing_failed) {
      EXPECT_EQ(h.txtMessage.text, all ? kCopied : kImportError) << proved.size();
    }
    EXPECT_LE(ending.size(), 1u);
    for (const MessageBoxCall& box : ending) EXPECT_EQ(box, (MessageBoxCall{failure, 48, "Error"}));

    // Delete asks about what has no proved copy, and No keeps the card.
    faults::Disarm();
    h.desktop.boxes.clear();
    h.desktop.answers = {mb::kAnswerNo};
    form.cmdDelete_Click();
    ASSERT_FALSE(h.desktop.boxes.empty());
    EXPECT_EQ(h.desktop.boxes[0].title, all ? "Delete?" : "Not copied");
    EXPECT_TRUE(fs::exists(Card(1)));
  }
};

// Once: the Nth call fails. From then on: every call from the Nth fails, as a pulled card or a
// dying disk does.
TEST(CopySweep, FailingEachFileOperationInTurnKeepsEveryInvariant) {
  for (const bool persistent : {false, true}) {
    int faults_made = 0;
    for (const Op op : {Op::ListingOpen, Op::ListingNext, Op::MakeFolder, Op::CopyOpen,
                        Op::CopyRead, Op::CopyWrite, Op::CopyCommit, Op::CopyVerify,
                        Op::WriteAttributes, Op::CopyRename, Op::CopyList}) {
      int made = 0;
      for (int nth = 1;; ++nth) {
        CardRun run;
        persistent ? faults::ArmFrom(op, nth, err::kDeviceUnavailable)
                   : faults::Arm(op, nth, err::kDeviceIoError);
        run.failure = persistent ? "68 Device unavailable in StartMassCopy"
                                 : "57 Device I/O error in StartMassCopy";
        run.form.cmdStartCopy_Click();
        const bool fired = faults::Calls(op) >= nth;
        run.Check((persistent ? "from then on, operation " : "once, operation ") +
                      std::to_string(static_cast<int>(op)) + ", call " + std::to_string(nth),
                  op == Op::CopyList);
        if (!fired || ::testing::Test::HasFailure()) break;
        ++made;
      }
      if (::testing::Test::HasFailure()) return;
      // Every operation is reached through the fault build's seams, on each system.
      EXPECT_GT(made, 0) << "operation " << static_cast<int>(op) << " never failed";
      faults_made += made;
    }
    // Seven photos, three in flight at most: each copy operation once per photo, the flush and
    // the list once per batch (three at least), and the listings and folders where the system has
    // their faults.
    EXPECT_GE(faults_made, 6 * 7 + 2 * 3);
  }
}

// The Nth copy stores one byte wrong: the operator is asked about that photo as soon as it is
// found, a few photos late at most, with the status box showing it; it has no copy and no line,
// and the run is an error. Yes goes on and every other photo is proved; No ends the run there:
// the copies proved keep their names and lines, those in flight go, and no copy starts after.
TEST(CopySweep, ACopyStoredOneByteWrongIsAskedAboutWhileCurrentAndNeverNamed) {
  for (const int answer : {mb::kAnswerYes, mb::kAnswerNo}) {
    for (int nth = 1; nth <= kPhotos; ++nth) {
      CardRun run;
      run.h.desktop.answers = {answer};
      faults::Arm(Op::CopyCorrupt, nth, 1);
      run.form.cmdStartCopy_Click();
      SCOPED_TRACE("copy " + std::to_string(nth) + (answer == mb::kAnswerNo ? ", No" : ", Yes"));
      EXPECT_EQ(run.h.desktop.boxes, Boxes{Differs(nth)});
      EXPECT_EQ(run.status_at_box, Names{"Copying Files... " + CardJob::Name(nth)});
      const std::vector<int> proved = run.Proved();
      if (answer == mb::kAnswerYes) {
        EXPECT_EQ(proved.size(), kPhotos - 1u);
      } else {
        EXPECT_TRUE(proved.empty() || proved.back() <= nth + static_cast<int>(kInFlight));
      }
      run.h.desktop.boxes.clear();
      run.Check("after the question");  // the status is the error, and that copy has no name
    }
  }
}

// What the check of a copy finds when its source changed meanwhile, changed at the very moment
// the copy is read back: a photo moved or removed (a card taken out reads as gone, never as a
// missing file) is still the photo that was read; one grown or given another time of change may
// have been read half old, half new, and is no copy of it.
TEST(CopyCheck, ASourceIsCheckedThroughItsHandleAsItWasOpened) {
  const struct {
    const char* change;
    bool verified;
  } rows[] = {{"moved", true}, {"removed", true}, {"grown", false}, {"touched", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.change);
    TempDir card, cases;
    const std::string photo = card / "A.JPG";
    WriteFile(photo, CardJob::Photo(1));
    faults::Disarm();
    faults::OnCall(Op::CopyVerify, 1, [&] {
      const std::string change = row.change;
      if (change == "moved") fs::rename(photo, card / "B.JPG");
      if (change == "removed") {
        GuardDeletion(photo);
        fs::remove(photo);
      }
      if (change == "grown") WriteFile(photo, CardJob::Photo(1) + "x");
      if (change == "touched") fs::last_write_time(photo, fs::last_write_time(photo) - 1h);
    });
    CopyJob job;
    job.Add(photo, cases / "A.JPG");
    const CopyOutcome outcome = job.Finish().at(0);
    faults::Disarm();
    EXPECT_EQ(outcome.verified, row.verified);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_EQ(AllNames(cases.path()), row.verified ? Names{"A.JPG"} : Names{});
  }
}

// The hash list cannot be written: the copy named already keeps its name, without a line, and
// no copy after it takes a name.
TEST(CopyCheck, AListThatCannotBeWrittenEndsTheNaming) {
  TempDir card, cases;
  MakeFolders(cases / "case");
  CopyJob job({1, 1ull << 30}, {}, CaseList{cases.path(), "case"});
  faults::Disarm();
  faults::ArmFrom(Op::CopyList, 1, err::kDiskFull);
  for (int i = 1; i <= 2; ++i) {
    WriteFile(card / CardJob::Name(i), CardJob::Photo(i));
    job.Add(card / CardJob::Name(i), cases / ("case/" + CardJob::Name(i)));
  }
  const std::vector<CopyOutcome> outcomes = job.Finish();
  faults::Disarm();
  ASSERT_EQ(outcomes.size(), 2u);
  for (const CopyOutcome& outcome : outcomes) {
    EXPECT_FALSE(outcome.verified);
    EXPECT_EQ(outcome.error, err::kDiskFull);
  }
  EXPECT_EQ(AllNames(cases / "case"), Names{CardJob::Name(1)});
  EXPECT_FALSE(Exists(cases / "case.sha256"));
}

// While a copy is held at its check, the copies in flight wait hidden beside their names, under
// temporary names no longer than those, locked against another run's cleaning; the job holds
// their names and is full at its limit. Abandoned, it gives the window its turns while it waits
// for the check in hand, and then no copy in flight takes its name or its line: only the copy
// proved before stays, listed.
TEST(CopyCheck, ACopyInFlightIsHiddenLockedAndHeldAndGoesWhenTheJobIsAbandoned) {
  TempDir card, cases;
  const auto photo = [&](int i) { return card / CardJob::Name(i); };
  const auto copy = [&](int i) { return cases / ("case/" + CardJob::Name(i)); };
  for (int i = 1; i <= 3; ++i) WriteFile(photo(i), CardJob::Photo(i));
  MakeFolders(cases / "case");
  std::promise<void> reached, go;
  faults::Disarm();
  faults::OnCall(Op::CopyVerify, 2, [&, released = go.get_future().share()] {
    reached.set_value();
    released.wait();
  });
  int turns = 0;
  CopyJob job(
      {2, 1ull << 30},
      [&] {
        if (++turns == 3) go.set_value();
      },
      CaseList{cases.path(), "case"});
  job.Add(photo(1), copy(1));
  EXPECT_TRUE(job.Finish().at(0).verified);
  job.Add(photo(2), copy(2));
  job.Add(photo(3), copy(3));
  reached.get_future().wait();
  EXPECT_TRUE(job.Full());
  EXPECT_TRUE(job.Holds(copy(2)));
  EXPECT_FALSE(job.Holds(copy(1)));
#ifdef _WIN32
  EXPECT_TRUE(job.Holds(cases / "case/img_0003.jpg"));  // one name but for case
#else
  EXPECT_FALSE(job.Holds(cases / "case/img_0003.jpg"));  // a folder that tells case apart
#endif
  const Names waiting = AllNames(cases / "case");
  ASSERT_EQ(waiting.size(), 3u);
  for (const std::string& name : waiting) {
    if (name == CardJob::Name(1)) continue;
    EXPECT_TRUE(IsTemporaryName(name)) << name;
    EXPECT_LE(name.size(), CardJob::Name(1).size());
  }
  Listing files(cases / "case" + kSep, attr::kNormal);  // hidden from the lists of files
  EXPECT_EQ(files.Next(), CardJob::Name(1));
  EXPECT_EQ(files.Next(), std::nullopt);
  EXPECT_EQ(CleanLeftovers(cases / "case"), 0);  // locked
  EXPECT_TRUE(job.TakeFinished().empty());

  EXPECT_TRUE(job.Abandon().empty());
  faults::Disarm();
  EXPECT_GE(turns, 3);
  EXPECT_EQ(AllNames(cases / "case"), Names{CardJob::Name(1)});
  const std::string list = ReadFile(cases / "case.sha256");
  EXPECT_NE(list.find("  case/" + CardJob::Name(1) + "\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("  case/" + CardJob::Name(2)), std::string::npos) << list;
}

}  // namespace
}  // namespace pixferry
