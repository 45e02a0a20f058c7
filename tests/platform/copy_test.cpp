#include "platform/copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/temp_names.h"
#include "tests/support/copy_one.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class CopyTest : public ::testing::Test {
 protected:
  TempDir card, cases;
};

// Sizes around a sector and a read-back chunk, and those that take each way of copying: an empty
// file, one past the size whose writing to disk starts early, a long video.
TEST_F(CopyTest, CopiesEveryByteAndTheTimeThePhotoWasTaken) {
  const std::size_t sizes[] = {0, 1, 4095, 4096, 1051576, 20000000};
  for (const std::size_t size : sizes) {
    const std::string name = "F" + std::to_string(size) + ".JPG";
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    WriteFile(card / name, bytes);
    fs::last_write_time(card / name, fs::file_time_type::clock::now() - std::chrono::hours(9000));
    CopyWholeFile(card / name, cases / name);
    EXPECT_EQ(ReadFile(cases / name), bytes) << size;
    EXPECT_EQ(fs::last_write_time(cases / name), fs::last_write_time(card / name));
  }
  EXPECT_EQ(AllNames(cases.path()).size(), std::size(sizes)) << "a temporary file was left behind";
}

// Copies wait hidden beside their names, under temporary names no longer than those, until the
// commit; a group never committed leaves the old files and no temporary file.
TEST_F(CopyTest, AGroupOfCopiesTakesItsNamesOnlyWhenCommitted) {
  WriteFile(card / "A.JPG", "new a");
  WriteFile(cases / "IMG_0001.JPG", "old a");
  {
    CopyGroup never_committed;
    never_committed.Add(card / "A.JPG", cases / "IMG_0001.JPG");
    never_committed.Add(card / "A.JPG", cases / "C.JPG");
  }
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});

  CopyGroup group;
  group.Add(card / "A.JPG", cases / "IMG_0001.JPG");
  group.Add(card / "A.JPG", card / "A.JPG");  // onto itself: nothing to do
  EXPECT_TRUE(group.Holds(cases / "IMG_0001.JPG"));
  EXPECT_FALSE(group.Holds(cases / "IMG_0002.JPG"));
#ifdef _WIN32
  EXPECT_TRUE(group.Holds(cases / "img_0001.jpg"));  // one name but for case
#else
  EXPECT_FALSE(group.Holds(cases / "img_0001.jpg"));  // a folder that tells case apart
#endif
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "old a");
  const Names waiting = AllNames(cases.path());
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_TRUE(IsTemporaryName(waiting[0])) << waiting[0];
  EXPECT_LE(waiting[0].size(), std::string("IMG_0001.JPG").size());
  Listing files(cases.path() + kSep, attr::kNormal);  // hidden from the lists of files
  EXPECT_EQ(files.Next(), "IMG_0001.JPG");
  EXPECT_EQ(files.Next(), std::nullopt);
  const std::vector<CopyOutcome> outcomes = group.Commit();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].verified);
  EXPECT_FALSE(outcomes[1].verified);  // the only file is no copy of itself
  EXPECT_EQ(outcomes[1].error, 0);
  EXPECT_EQ(outcomes[0].stamp, StampAt(card / "A.JPG"));
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "new a");
  EXPECT_EQ(ReadFile(card / "A.JPG"), "new a");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

// The source stays open from its copy to its check: one moved or removed meanwhile (a card taken
// out reads as gone, never as a missing file) is still the photo that was copied.
TEST_F(CopyTest, ASourceRemovedBeforeItsCheckIsCheckedAsItWasCopied) {
  for (const char* name : {"A.JPG", "B.JPG"}) WriteFile(card / name, name);
  CopyGroup group;
  for (const char* name : {"A.JPG", "B.JPG"}) group.Add(card / name, cases / name);
  fs::rename(fs::path(card / "A.JPG"), fs::path(card / "C.JPG"));
  GuardDeletion(card / "B.JPG");
  fs::remove(fs::path(card / "B.JPG"));
  const std::vector<CopyOutcome> outcomes = group.Commit();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].verified) << outcomes[0].error;
  EXPECT_TRUE(outcomes[1].verified) << outcomes[1].error;
  EXPECT_EQ(ReadFile(cases / "B.JPG"), "B.JPG");
}

// A large copy gives the window its turns while it is written and while it is read back.
TEST_F(CopyTest, ALargeCopyCallsBackBetweenChunks) {
  WriteFile(card / "BIG.MPG", RandomBytes(std::size_t{40} << 20, 3));
  int calls = 0;
  CopyGroup group({}, [&calls] { ++calls; });
  group.Add(card / "BIG.MPG", cases / "BIG.MPG");
  const int while_copying = calls;
  EXPECT_GE(while_copying, 2);
  EXPECT_TRUE(group.Commit().at(0).verified);
  EXPECT_GE(calls - while_copying, 3);
}

// A killed run's temporaries go; a live one's (locked), look-alikes and folders stay.
TEST_F(CopyTest, LeftoversAreRemovedOnlyWhenTheyAreUnlockedTemporaries) {
  const std::string dead = TemporaryName(12, 1);
  const std::string live = TemporaryName(12, 2);
  std::string look_alike = TemporaryName(12, 3);
  look_alike.back() = look_alike.back() == 'a' ? 'b' : 'a';
  const std::string folder = TemporaryName(12, 4);
  for (const std::string& name :
       {dead, live, look_alike, std::string(".pixferry-0-1.tmp"), std::string(".hidden.jpg")}) {
    WriteFile(cases / name, "left");
    HideOnWindows(cases / name);
  }
  fs::create_directory(cases / folder);
  const HeldLock held(cases / live);
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(CleanLeftovers(cases.path()), 1);
  Names expected{live, look_alike, ".pixferry-0-1.tmp", ".hidden.jpg", folder};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(AllNames(cases.path()), expected);

  // The copies of a group are locked while they wait for their names.
  fs::remove(cases / dead);
  WriteFile(card / "A.JPG", "a");
  CopyGroup group;
  group.Add(card / "A.JPG", cases / "IMG_0001.JPG");
  EXPECT_EQ(CleanLeftovers(cases.path()), 0);
  EXPECT_TRUE(group.Commit().at(0).verified);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "a");
}

}  // namespace
}  // namespace pixferry
