// Every file operation of a three-group copy made to fail in turn, once or from then on, one run
// per operation and call, in the manner of I/O-error sweeps: whatever fails, no final name holds a
// wrong or partial file, no temporary is left, every proved copy is whole, one box at most ends
// the copy, and the run is told as a success only when every photo was copied. Then a copy stored
// one byte wrong, file by file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
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

constexpr int kPhotos = 7;

// One run of Start on a fresh card of seven photos, copied in groups of three into a case folder
// it makes, and then Delete answered No.
struct CardRun : CardJob {
  CardRun() : CardJob(kPhotos, false) {
    form.copy_group_limits.files = 3;
    h.desktop.answers.assign(kPhotos, mb::kAnswerYes);  // go on after each copy not proved
  }

  std::string failure;  // the box a failure of the copy ends in

  // The invariants after the run; where says which fault was made.
  void Check(const std::string& where) {
    SCOPED_TRACE(where);
    const int copied = static_cast<int>(ExpectOnlyWholeCopies().size());
    for (int i = 1; i <= kPhotos; ++i) {
      if (form.verified_copies.Covers(Card(i), StampAt(Card(i)))) {
        EXPECT_EQ(ReadFile(CaseFolder() + kSep + Name(i)), Photo(i)) << "proved but not whole";
      }
    }
    // Success is told only when every photo was copied and listed (a listing may fail after its
    // last name); a run that stopped before copying (the destination check) has told the
    // operator in a box of its own. One box at most ends the copy, however many copies were
    // waiting when the medium failed.
    bool listing_failed = false;
    Boxes ending;
    for (const MessageBoxCall& box : h.desktop.boxes) {
      listing_failed = listing_failed || box.text.ends_with(" in SortedFiles");
      if (box.text.ends_with(" in StartMassCopy")) ending.push_back(box);
    }
    if (h.txtMessage.text.empty()) {
      EXPECT_FALSE(h.desktop.boxes.empty()) << "stopped without a word";
    } else if (copied < kPhotos || !listing_failed) {
      EXPECT_EQ(h.txtMessage.text, copied == kPhotos ? kCopied : kImportError) << copied;
    }
    EXPECT_LE(ending.size(), 1u);
    for (const MessageBoxCall& box : ending) EXPECT_EQ(box, (MessageBoxCall{failure, 48, "Error"}));

    // Delete asks about what has no proved copy, and No keeps the card.
    faults::Disarm();
    h.desktop.boxes.clear();
    h.desktop.answers = {mb::kAnswerNo};
    form.cmdDelete_Click();
    ASSERT_FALSE(h.desktop.boxes.empty());
    EXPECT_EQ(h.desktop.boxes[0].title, copied == kPhotos ? "Delete?" : "Not copied");
    EXPECT_TRUE(fs::exists(Card(1)));
  }
};

// Once: the Nth call fails. From then on: every call from the Nth fails, as a pulled card or a
// dying disk does.
TEST(CopySweep, FailingEachFileOperationInTurnKeepsEveryInvariant) {
  for (const bool persistent : {false, true}) {
    int faults_made = 0;
    for (const Op op :
         {Op::ListingOpen, Op::ListingNext, Op::MakeFolder, Op::CopyOpen, Op::CopyRead,
          Op::CopyWrite, Op::CopyCommit, Op::CopyVerify, Op::WriteAttributes, Op::CopyRename}) {
      int made = 0;
      for (int nth = 1;; ++nth) {
        CardRun run;
        faults::Disarm();
        if (persistent) {
          faults::ArmFrom(op, nth, err::kDeviceUnavailable);
        } else {
          faults::Arm(op, nth, err::kDeviceIoError);
        }
        run.failure = persistent ? "68 Device unavailable in StartMassCopy"
                                 : "57 Device I/O error in StartMassCopy";
        run.form.cmdStartCopy_Click();
        const bool fired = faults::Calls(op) >= nth;
        run.Check((persistent ? "from then on, operation " : "once, operation ") +
                  std::to_string(static_cast<int>(op)) + ", call " + std::to_string(nth));
        faults::Disarm();
        if (!fired || ::testing::Test::HasFailure()) break;
        ++made;
      }
      if (::testing::Test::HasFailure()) return;
      // Every operation is reached through the fault build's seams, on each system.
      EXPECT_GT(made, 0) << "operation " << static_cast<int>(op) << " never failed";
      faults_made += made;
    }
    // Seven photos in three groups: each copy operation once per photo, the commit once per
    // group, and the listings and the case folder besides.
    EXPECT_GE(faults_made, 5 * 7 + 3);
  }
}

// The Nth copy stores one byte wrong: the operator is asked about that photo, it has no copy,
// the others do, and the run is an error.
TEST(CopySweep, ACopyStoredOneByteWrongIsAskedAboutAndNeverNamed) {
  for (int nth = 1; nth <= kPhotos; ++nth) {
    CardRun run;
    faults::Disarm();
    faults::Arm(Op::CopyCorrupt, nth, 1);
    run.form.cmdStartCopy_Click();
    ASSERT_EQ(run.h.desktop.boxes.size(), 1u);
    EXPECT_EQ(run.h.desktop.boxes[0],
              (MessageBoxCall{"There was an error in copying the file " + CardJob::Name(nth) +
                                  ".  Do you want to continue to the next file?",
                              20, "Error!"}));
    EXPECT_FALSE(fs::exists(run.CaseFolder() + kSep + CardJob::Name(nth)));
    run.Check("copy " + std::to_string(nth) + " stored wrong");
    faults::Disarm();
  }
}

}  // namespace
}  // namespace pixferry
