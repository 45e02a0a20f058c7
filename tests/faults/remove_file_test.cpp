// Removing one file unlinks first and looks only when that fails; the answers must stay those
// of a look first.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Exists;
using testing::MakeFolders;
using testing::TempDir;
using testing::WriteFile;

TEST(RemoveFile, AFolderIsNoFileAndStays) {
  TempDir dir;
  WriteFile(dir / "folder/inside.jpg", "x");
  MakeFolders(dir / "empty");
  EXPECT_EQ(TryRemoveFile(dir / "folder"), err::kFileNotFound);
  EXPECT_EQ(TryRemoveFile(dir / "empty"), err::kFileNotFound);
  EXPECT_TRUE(Exists(dir / "folder/inside.jpg"));
  EXPECT_TRUE(Exists(dir / "empty"));
}

TEST(RemoveFile, MissingNamesAndPathsThroughAFile) {
  TempDir dir;
  WriteFile(dir / "file.jpg", "x");
  EXPECT_EQ(TryRemoveFile(dir / "missing.jpg"), err::kFileNotFound);
  EXPECT_EQ(TryRemoveFile(dir / "missing/x.jpg"), err::kPathNotFound);
  EXPECT_EQ(TryRemoveFile(dir / "file.jpg/x.jpg"), err::kPathNotFound);
  EXPECT_THROW(RemoveFile(dir / "missing.jpg"), RuntimeError);
  EXPECT_TRUE(Exists(dir / "file.jpg"));
}

TEST(RemoveFile, ALinkToAFolderGoesAndTheFolderStays) {
  TempDir dir;
  WriteFile(dir / "folder/keep.jpg", "k");
  std::filesystem::create_directory_symlink(dir / "folder", dir / "link");
  EXPECT_EQ(TryRemoveFile(dir / "link"), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "link"));
  EXPECT_TRUE(Exists(dir / "folder/keep.jpg"));
}

}  // namespace
}  // namespace pixferry
