// The decision behind Delete's refusals, on made-up identity chains; Delete's own tests give it
// real folders spelled in several ways.
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

// The start folder: the source itself, or anywhere below it; not above it, not beside it. Delete's
// own tests meet every other refusal; this one the look for photos would also stop at, so only
// here does a fault in it show.
TEST(DeleteRefusal, RefusesASourceThatIsOrHoldsTheStartFolder) {
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("ba"), std::nullopt),
            DeleteRefusal::kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("ba"), Chain("dcba"), Chain("cba")),
            DeleteRefusal::kStartFolder);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("ba"), std::nullopt), DeleteRefusal::kNone);
  EXPECT_EQ(WhyDeleteIsRefused(Chain("cba"), Chain("dba"), std::nullopt), DeleteRefusal::kNone);
}

}  // namespace
}  // namespace pixferry
