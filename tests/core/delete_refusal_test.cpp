// The one decision behind Delete's refusals: on made-up identity chains, then on real folders
// spelled in several ways.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "cleanse/DeleteRefusal.h"
#include "platform/files.h"
#include "platform/tree.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::MakeFolders;
using testing::TempDir;

// A chain written from the folder up to its root, one letter per folder: "cba" is c in b in a.
std::optional<FolderIdentity> Chain(const std::string& folders, bool is_root = false) {
  FolderIdentity identity;
  for (char c : folders) identity.chain.emplace_back(1, c);
  identity.is_root = is_root;
  return identity;
}

TEST(DeleteRefusal, DecidesOnIdentityChainsInAFixedOrder) {
  const auto none = std::nullopt;
  EXPECT_EQ(WhyDeleteIsRefused(none, Chain("ba"), Chain("cba")), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), none, none), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("a", true), none, none), DeleteRefusal::kRoot);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba", true), Chain("ba"), Chain("ba")), DeleteRefusal::kRoot);
  // The start folder: the source itself, or anywhere below it; not above it, not beside it.
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("ba"), none), DeleteRefusal::kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("dcba"), none), DeleteRefusal::kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("ba"), none), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("dba"), none), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("ba"), Chain("cba")),
            DeleteRefusal::kStartFolder);
  // The destination root, the same way.
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("a"), Chain("ba")), DeleteRefusal::kDestination);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("a"), Chain("edba")),
            DeleteRefusal::kDestination);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("a"), Chain("ba")), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("a"), Chain("xba")), DeleteRefusal::kNone);
  // Identities are whole: a folder whose identity only starts like the source's is another one.
  FolderIdentity longer{{"12", "1"}, false};
  FolderIdentity shorter{{"1"}, false};
  EXPECT_EQ(WhyDeleteIsRefused(FolderIdentity{{"2", "1"}, false}, none, longer),
            DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(shorter, none, longer), DeleteRefusal::kDestination);
}

// Real folders: the same folder however it is written, a sibling whose name starts alike, the
// nearest existing folder of a path still to be made.
TEST(DeleteRefusal, RealFoldersAreKnownByWhatTheyAre) {
  TempDir dir;
  MakeFolders(dir / "card/DCIM/100MEDIA");
  MakeFolders(dir / "card/DCIM2");
  const auto source = IdentifyFolder(dir / "card/DCIM");
  ASSERT_TRUE(source);
  EXPECT_FALSE(source->is_root);
  const std::string sep(1, kSep);
  for (const std::string& same : {dir / "card/DCIM" + sep, dir / "card/DCIM/100MEDIA/..",
                                  dir / "card/./DCIM", dir / "card/DCIM2/../DCIM"}) {
    const auto other = IdentifyFolder(same);
    ASSERT_TRUE(other) << same;
    EXPECT_EQ(other->chain, source->chain) << same;
  }
  const auto sibling = IdentifyFolder(dir / "card/DCIM2");
  ASSERT_TRUE(sibling);
  EXPECT_NE(sibling->chain.front(), source->chain.front());
  EXPECT_EQ(WhyDeleteIsRefused(source, std::nullopt, sibling), DeleteRefusal::kNone);

  EXPECT_FALSE(IdentifyFolder(dir / "card/DCIM/none"));
  const auto later = IdentifyNearestFolder(dir / "card/DCIM/100MEDIA/not/made/yet");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->chain, IdentifyFolder(dir / "card/DCIM/100MEDIA")->chain);
  EXPECT_EQ(WhyDeleteIsRefused(source, std::nullopt, later), DeleteRefusal::kDestination);

  std::error_code ec;
  fs::create_directory_symlink(dir / "card/DCIM/100MEDIA", dir / "link", ec);
  if (!ec) {
    const auto through_link = IdentifyFolder(dir / "link");
    ASSERT_TRUE(through_link);
    EXPECT_EQ(through_link->chain, IdentifyFolder(dir / "card/DCIM/100MEDIA")->chain);
  }
#ifndef _WIN32
  const auto root = IdentifyFolder("/");
  ASSERT_TRUE(root);
  EXPECT_TRUE(root->is_root);
  EXPECT_EQ(root->chain.size(), 1u);
  EXPECT_EQ(IdentifyFolder("/tmp/../")->chain, root->chain);
#endif
}

}  // namespace
}  // namespace pixferry
