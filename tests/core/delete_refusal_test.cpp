// The one decision behind Delete's refusals, on made-up identity chains; Delete's own tests give
// it real folders spelled in several ways.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cleanse/DeleteRefusal.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

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
  // The source inside the destination root, when that root exists.
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("a"), Chain("ba")),
            DeleteRefusal::kInsideDestination);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("a"), Chain("ba"), false), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("a"), Chain("xba")), DeleteRefusal::kNone);
  // Identities are whole: a folder whose identity only starts like the source's is another one.
  FolderIdentity longer{{"12", "1"}, false};
  FolderIdentity shorter{{"1"}, false};
  EXPECT_EQ(WhyDeleteIsRefused(FolderIdentity{{"2", "1"}, false}, none, longer),
            DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(shorter, none, longer), DeleteRefusal::kDestination);
}

}  // namespace
}  // namespace pixferry
