// The Windows copy's last steps under injected faults: a copy takes its name only once it is
// complete and visible, so a failure before the name leaves neither the copy nor its temporary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;

TEST(CopyNaming, ACopyWhoseAttributesCannotBeSetTakesNoName) {
  TempDir card, cases;
  for (const char* name : {"A.JPG", "B.JPG"}) WriteFile(card / name, name);
  faults::Arm(faults::Op::WriteAttributes, 1, err::kDeviceIoError);
  CopyGroup group;
  for (const char* name : {"A.JPG", "B.JPG"}) group.Add(card / name, cases / name);
  const std::vector<CopyOutcome> outcomes = group.Commit();
  faults::Disarm();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_FALSE(outcomes[0].verified);
  EXPECT_EQ(outcomes[0].error, err::kDeviceIoError);
  EXPECT_TRUE(outcomes[1].verified);
  EXPECT_EQ(AllNames(cases.path()), Names{"B.JPG"});
  EXPECT_EQ(ReadFile(cases / "B.JPG"), "B.JPG");
}

}  // namespace
}  // namespace pixferry
