#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Every name in a folder, hidden ones included: a temporary file left behind shows here.
Names AllNames(const std::string& folder) {
  Names names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class CopyTest : public ::testing::Test {
 protected:
  TempDir card, cases;
};

// Sizes that take each way of copying: an empty file, a small one, one past the size whose
// writing to disk starts early.
TEST_F(CopyTest, CopiesEveryByteAndTheTimeThePhotoWasTaken) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{20000}, (std::size_t{3} << 20) + 7}) {
    const std::string name = "F" + std::to_string(size) + ".JPG";
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    WriteFile(card / name, bytes);
    fs::last_write_time(card / name, fs::file_time_type::clock::now() - std::chrono::hours(9000));
    CopyWholeFile(card / name, cases / name);
    EXPECT_EQ(ReadFile(cases / name), bytes) << size;
    EXPECT_EQ(fs::last_write_time(cases / name), fs::last_write_time(card / name));
  }
  EXPECT_EQ(AllNames(cases.path()).size(), 3u) << "a temporary file was left behind";
}

// Copies wait hidden beside their names until the commit; a group never committed leaves the
// old files and no temporary file.
TEST_F(CopyTest, AGroupOfCopiesTakesItsNamesOnlyWhenCommitted) {
  WriteFile(card / "A.JPG", "new a");
  WriteFile(cases / "A.JPG", "old a");
  {
    CopyGroup never_committed;
    EXPECT_TRUE(never_committed.Copy(card / "A.JPG", cases / "A.JPG"));
    EXPECT_TRUE(never_committed.Copy(card / "A.JPG", cases / "C.JPG"));
  }
  EXPECT_EQ(AllNames(cases.path()), Names{"A.JPG"});

  CopyGroup group;
  EXPECT_TRUE(group.Copy(card / "A.JPG", cases / "A.JPG"));
  EXPECT_TRUE(group.Copy(card / "A.JPG", card / "A.JPG"));  // onto itself: nothing to do
  EXPECT_EQ(group.PendingFiles(), 1u);
  EXPECT_EQ(ReadFile(cases / "A.JPG"), "old a");
  EXPECT_EQ(AllNames(cases.path()).size(), 2u);  // the copy, under its temporary name
  EXPECT_FALSE(ListingFindsEntry(cases / "*.tmp", attr::kNormal));  // hidden from every listing
  group.Commit();
  EXPECT_EQ(ReadFile(cases / "A.JPG"), "new a");
  EXPECT_EQ(ReadFile(card / "A.JPG"), "new a");
  EXPECT_EQ(AllNames(cases.path()), Names{"A.JPG"});
}

#ifdef __linux__
// A source whose size the file system does not know (a kernel status file) copies as empty: the
// copy read back differs, is removed at once and never takes the name.
TEST_F(CopyTest, ACopyThatDiffersFromItsSourceIsRemovedAtOnce) {
  WriteFile(cases / "B.JPG", "old b");
  CopyGroup group;
  EXPECT_FALSE(group.Copy("/proc/self/status", cases / "B.JPG"));
  EXPECT_EQ(group.PendingFiles(), 0u);
  EXPECT_EQ(AllNames(cases.path()), Names{"B.JPG"});
  group.Commit();
  EXPECT_EQ(ReadFile(cases / "B.JPG"), "old b");
  EXPECT_THROW(CopyWholeFile("/proc/self/status", cases / "B.JPG"), RuntimeError);
  EXPECT_EQ(ReadFile(cases / "B.JPG"), "old b");
}
#endif

// On a file system that ignores case, IMG_0001.JPG and img_0001.jpg are one name: a copy made
// for a free name fails rather than replace what took the name since. The copies named before
// it keep their names, the ones after it are removed.
TEST_F(CopyTest, ACopyForAFreeNameNeverReplacesWhatTookTheNameMeanwhile) {
  for (const char* name : {"A.JPG", "B.JPG", "C.JPG"}) WriteFile(card / name, name);
  CopyGroup group;
  for (const char* name : {"A.JPG", "B.JPG", "C.JPG"}) {
    EXPECT_TRUE(group.Copy(card / name, cases / name));
  }
  WriteFile(cases / "B.JPG", "written meanwhile");
  try {
    group.Commit();
    ADD_FAILURE() << "the commit replaced a file it had not been asked to replace";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kFileAlreadyExists);
  }
  EXPECT_EQ(ReadFile(cases / "A.JPG"), "A.JPG");
  EXPECT_EQ(ReadFile(cases / "B.JPG"), "written meanwhile");
  EXPECT_EQ(AllNames(cases.path()), (Names{"A.JPG", "B.JPG"}));
}

// The files span several compared chunks.
TEST(SameFileContent, TellsAWholeCopyFromADamagedOne) {
  TempDir dir;
  const std::string bytes = RandomBytes(300005, 7);
  WriteFile(dir / "a", bytes);
  WriteFile(dir / "same", bytes);
  WriteFile(dir / "short", bytes.substr(0, bytes.size() - 1));
  WriteFile(dir / "last", bytes.substr(0, bytes.size() - 1) + "!");
  EXPECT_TRUE(SameFileContent(dir / "a", dir / "same"));
  EXPECT_FALSE(SameFileContent(dir / "a", dir / "short"));
  EXPECT_FALSE(SameFileContent(dir / "a", dir / "last"));
}

}  // namespace
}  // namespace pixferry
