#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::TempDir;
using testing::WriteFile;

// Ordinal order written out byte by byte, independent of std::string's own comparison.
bool OrdinalLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

// Sorts positions 1 to the end, as every caller does, and returns the array.
std::vector<std::string> SortFromOne(Harness& h, std::vector<std::string> list) {
  h.form->Quicksort(list, 1, static_cast<std::int32_t>(list.size()) - 1);
  EXPECT_TRUE(h.desktop.boxes.empty());
  return list;
}

TEST(Quicksort, OrdersByCharacterCodeWithoutLocaleOrNumbers) {
  Harness h;
  const std::vector<std::string> sorted =
      SortFromOne(h, {"unused", "a.jpg", "\xc3\xa9t\xc3\xa9.jpg", "IMG_9.JPG", "DSC_0001.jpg",
                      "B.jpg", "IMG_10.JPG", "DSC_0001", "1.jpg", "DSC_0001.JPG", "z.jpg", ".x"});
  EXPECT_EQ(sorted,
            (std::vector<std::string>{"unused", ".x", "1.jpg", "B.jpg", "DSC_0001", "DSC_0001.JPG",
                                      "DSC_0001.jpg", "IMG_10.JPG", "IMG_9.JPG", "a.jpg", "z.jpg",
                                      "\xc3\xa9t\xc3\xa9.jpg"}));
}

// Names of random bytes with a long shared prefix now and then, and duplicates when asked for.
std::vector<std::string> RandomNames(std::mt19937& gen, int count, int max_length, int letters) {
  std::uniform_int_distribution<int> length(1, max_length);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> letter(0, letters - 1);
  std::vector<std::string> list{"entry 0 stays"};
  for (int i = 0; i < count; ++i) {
    std::string name = gen() % 8 == 0 ? "DSC_" : "";
    name.resize(name.size() + static_cast<std::size_t>(length(gen)));
    for (std::size_t k = name.size() > 4 && name[0] == 'D' ? 4 : 0; k < name.size(); ++k) {
      name[k] = static_cast<char>(gen() % 4 == 0 ? byte(gen) : 'A' + letter(gen));
    }
    list.push_back(name);
  }
  return list;
}

TEST(Quicksort, AgreesWithStdSortOnAHundredThousandRandomNames) {
  Harness h;
  std::mt19937 gen(20080302);
  const std::vector<std::string> list = RandomNames(gen, 100000, 16, 26);
  std::vector<std::string> expected = list;
  std::sort(expected.begin() + 1, expected.end(), OrdinalLess);
  EXPECT_TRUE(SortFromOne(h, list) == expected);
}

TEST(Quicksort, SortsDuplicatesToo) {
  // A folder never holds two equal names, but the sort must not lose or invent any.
  Harness h;
  std::mt19937 gen(1);
  const std::vector<std::string> list = RandomNames(gen, 5000, 3, 2);
  std::vector<std::string> expected = list;
  std::sort(expected.begin() + 1, expected.end(), OrdinalLess);
  EXPECT_TRUE(SortFromOne(h, list) == expected);
  const std::vector<std::string> same(3001, "DSC_0001.JPG");
  EXPECT_TRUE(SortFromOne(h, same) == same);
}

TEST(Quicksort, HandlesOrderedAndReversedRanges) {
  Harness h;
  std::vector<std::string> ordered{""};
  for (int i = 0; i < 100000; ++i) ordered.push_back("IMG_" + std::to_string(100000 + i));
  std::vector<std::string> reversed{""};
  reversed.insert(reversed.end(), ordered.rbegin(), ordered.rend() - 1);
  EXPECT_TRUE(SortFromOne(h, ordered) == ordered);
  EXPECT_TRUE(SortFromOne(h, reversed) == ordered);
}

TEST(Quicksort, SortsOnlyTheGivenRangeAndLeavesTinyRangesAlone) {
  Harness h;
  std::vector<std::string> list{"z", "d", "c", "b", "a", "0"};
  h.form->Quicksort(list, 2, 4);
  EXPECT_EQ(list, (std::vector<std::string>{"z", "d", "a", "b", "c", "0"}));
  h.form->Quicksort(list, 1, 1);
  h.form->Quicksort(list, 1, 0);
  h.form->Quicksort(list, 5, 3);
  EXPECT_EQ(list, (std::vector<std::string>{"z", "d", "a", "b", "c", "0"}));
  std::vector<std::string> empty;
  h.form->Quicksort(empty, 1, 0);
  EXPECT_TRUE(empty.empty());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST(Quicksort, ARangeBeyondTheArrayIsReportedNotRun) {
  Harness h;
  std::vector<std::string> list{"", "b", "a"};
  h.form->Quicksort(list, 1, 3);
  EXPECT_EQ(list, (std::vector<std::string>{"", "b", "a"}));
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"9 Subscript out of range in Quicksort", 0, ""}));
}

class SortedFilesTest : public ::testing::Test {
 protected:
  TempDir dir;
  Harness h;
  std::int32_t count = 0;
  std::vector<std::string> files;
};

TEST_F(SortedFilesTest, ListsEveryPlainFileSortedFromPositionOne) {
  for (const char* name : {"a.jpg", "IMG_9.JPG", "B.jpg", "IMG_10.JPG", "THUMB.THM", "clip.MPG",
                           "noext", "read only.jpg"}) {
    WriteFile(dir / name, "x");
  }
  std::filesystem::permissions(dir / "read only.jpg", std::filesystem::perms::owner_read);
  WriteFile(dir / ".hidden.jpg", "x");
  MakeFolders(dir / "SUBFOLDER");
  MakeFolders(dir / ".hidden folder");

  h.form->SortedFiles(dir.path() + kSep, count, files, true, true);
  EXPECT_EQ(count, 8);
  EXPECT_EQ(files, (std::vector<std::string>{"", "B.jpg", "IMG_10.JPG", "IMG_9.JPG", "THUMB.THM",
                                             "a.jpg", "clip.MPG", "noext", "read only.jpg"}));
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(SortedFilesTest, AddsAfterTheNamesAlreadyCountedAndSortsThemAll) {
  WriteFile(dir / "m.jpg", "x");
  count = 2;
  files = {"", "zz.jpg", "aa.jpg", "stale beyond the count"};
  h.form->SortedFiles(dir.path() + kSep, count, files, true, true);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(files, (std::vector<std::string>{"", "aa.jpg", "m.jpg", "zz.jpg"}));
}

TEST_F(SortedFilesTest, AMissingOrFileLessFolderGivesNothingAndNoBox) {
  MakeFolders(dir / "only folders/inner");
  h.form->SortedFiles(dir / "missing" + kSep, count, files, true, true);
  h.form->SortedFiles(dir / "only folders" + kSep, count, files, true, true);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(SortedFilesTest, AFolderThatCannotBeListedIsReported) {
  h.form->SortedFiles(dir / std::string(300, 'x') + kSep, count, files, true, true);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"64 Bad file name in SortedFiles", 0, ""}));
}

}  // namespace
}  // namespace pixferry
