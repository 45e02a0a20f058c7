#include "platform/copy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/temp_names.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Sizes around a sector and the pieces read and read back, one past the size whose writing to
// disk starts early, a long video, which gives the window its turns while it is written.
TEST(CopyTest, CopiesEveryByteAndTheTimeThePhotoWasTaken) {
  TempDir card, cases;
  const std::size_t sizes[] = {0, 1, 4095, 4096, 131073, 524289, 1051576, 20000000};
  int turns = 0;
  CopyJob job({}, [&turns] { ++turns; });
  for (const std::size_t size : sizes) {
    const std::string name = "F" + std::to_string(size) + ".JPG";
    std::string bytes(size, '\0');  // differs between files and along each
    for (std::size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<char>((size + i) * 0x9E3779B97F4A7C15 >> 56);
    WriteFile(card / name, bytes);
    fs::last_write_time(card / name, fs::file_time_type::clock::now() - std::chrono::hours(9000));
    job.Add(card / name, cases / name);
  }
  EXPECT_GE(turns, 1);
  const std::vector<CopyOutcome> outcomes = job.Finish();
  ASSERT_EQ(outcomes.size(), std::size(sizes));
  for (const CopyOutcome& outcome : outcomes) {
    EXPECT_TRUE(outcome.verified) << outcome.destination;
    EXPECT_EQ(ReadFile(outcome.destination), ReadFile(outcome.source)) << outcome.destination;
    EXPECT_EQ(fs::last_write_time(outcome.destination), fs::last_write_time(outcome.source));
  }
}

// A killed run's temporaries go; a live one's (locked), look-alikes and folders stay.
TEST(CopyTest, LeftoversAreRemovedOnlyWhenTheyAreUnlockedTemporaries) {
  TempDir cases;
  const std::string live = TemporaryName(12, 2), folder = TemporaryName(12, 4);
  std::string look_alike = TemporaryName(12, 3);
  look_alike.back() = look_alike.back() == 'a' ? 'b' : 'a';
  for (const std::string& name : {TemporaryName(12, 1), live, look_alike,
                                  std::string(".pixferry-0-1.tmp"), std::string(".hidden.jpg")}) {
    WriteFile(cases / name, "left");
    HideOnWindows(cases / name);
  }
  fs::create_directory(cases / folder);
  const HeldLock held(cases / live);
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(CleanLeftovers(cases.path()), 1);
  EXPECT_FALSE(Exists(cases / TemporaryName(12, 1)));
  EXPECT_EQ(AllNames(cases.path()).size(), 5u) << "another entry went too";
}

}  // namespace
}  // namespace pixferry
