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
#include "platform/sha256.h"
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

// Sizes around a sector and a chunk, one past the size whose writing to disk starts early, a long
// video; each copy's digest is its photo's.
TEST_F(CopyTest, CopiesEveryByteTheTimeThePhotoWasTakenAndItsDigest) {
  const std::size_t sizes[] = {0, 1, 4095, 4096, 131073, 524289, 1051576, 20000000};
  CopyJob job;
  for (const std::size_t size : sizes) {
    const std::string name = "F" + std::to_string(size) + ".JPG";
    WriteFile(card / name, RandomBytes(size, static_cast<unsigned>(size)));
    fs::last_write_time(card / name, fs::file_time_type::clock::now() - std::chrono::hours(9000));
    job.Add(card / name, cases / name);
  }
  const std::vector<CopyOutcome> outcomes = job.Finish();
  ASSERT_EQ(outcomes.size(), std::size(sizes));
  for (const CopyOutcome& outcome : outcomes) {
    const std::string bytes = ReadFile(outcome.source);
    EXPECT_TRUE(outcome.verified) << outcome.destination;
    EXPECT_EQ(ReadFile(outcome.destination), bytes) << outcome.destination;
    EXPECT_EQ(fs::last_write_time(outcome.destination), fs::last_write_time(outcome.source));
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    EXPECT_EQ(outcome.digest, hash.Finish()) << outcome.destination;
  }
  EXPECT_EQ(AllNames(cases.path()).size(), std::size(sizes)) << "a temporary file was left behind";
}

// An overwrite replaces the old file once its replacement is proved; a copy onto the source
// itself leaves the only file whole and is no copy of it; a job ended early leaves no temporary,
// and each name holds the old file or a whole copy.
TEST_F(CopyTest, OverwritesOnlyWithAProvedCopyAndNeverCopiesAFileOntoItself) {
  WriteFile(card / "A.JPG", "new a");
  WriteFile(cases / "IMG_0001.JPG", "old a");
  {
    CopyJob abandoned;
    abandoned.Add(card / "A.JPG", cases / "IMG_0001.JPG");
    abandoned.Add(card / "A.JPG", cases / "C.JPG");
  }
  for (const std::string& name : AllNames(cases.path())) {
    EXPECT_TRUE(name == "IMG_0001.JPG" || name == "C.JPG") << name;
    const std::string bytes = ReadFile(cases / name);
    EXPECT_TRUE(bytes == "new a" || (bytes == "old a" && name == "IMG_0001.JPG")) << bytes;
  }

  CopyJob job;
  job.Add(card / "A.JPG", cases / "IMG_0001.JPG");
  job.Add(card / "A.JPG", card / "A.JPG");
  const std::vector<CopyOutcome> outcomes = job.Finish();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].verified);
  EXPECT_EQ(outcomes[0].stamp, StampOf(card / "A.JPG"));
  EXPECT_FALSE(outcomes[1].verified);  // the only file is no copy of itself
  EXPECT_EQ(outcomes[1].error, 0);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "new a");
  EXPECT_EQ(ReadFile(card / "A.JPG"), "new a");
  fs::remove(cases / "C.JPG");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

// A large copy gives the window its turns while it is written.
TEST_F(CopyTest, ALargeCopyCallsBackBetweenChunks) {
  WriteFile(card / "BIG.MPG", RandomBytes(std::size_t{40} << 20, 3));
  int calls = 0;
  CopyJob job({}, [&calls] { ++calls; });
  job.Add(card / "BIG.MPG", cases / "BIG.MPG");
  EXPECT_GE(calls, 2);
  EXPECT_TRUE(job.Finish().at(0).verified);
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
}

}  // namespace
}  // namespace pixferry
