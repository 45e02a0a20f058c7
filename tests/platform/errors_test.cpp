#include <gtest/gtest.h>

#include <cerrno>

#include "platform/errors.h"

namespace pixferry {
namespace {

TEST(RuntimeErrors, CarryNumberAndTableDescription) {
  const RuntimeError e(err::kFileNotFound);
  EXPECT_EQ(e.number(), 53);
  EXPECT_EQ(e.description(), "File not found");
  EXPECT_EQ(RuntimeError(err::kPathNotFound).description(), "Path not found");
  EXPECT_EQ(RuntimeError(err::kBadRecordLength).description(), "Bad record length");
  EXPECT_EQ(RuntimeError(err::kTypeMismatch).description(), "Type mismatch");
  EXPECT_EQ(RuntimeError(err::kInvalidProcedureCall).description(),
            "Invalid procedure call or argument");
}

TEST(RuntimeErrors, ErrnoMapsToTheNumbersAnOperatorSees) {
  EXPECT_EQ(ErrorFromErrno(ENOENT), 53);
  EXPECT_EQ(ErrorFromErrno(EACCES), 70);
  EXPECT_EQ(ErrorFromErrno(EROFS), 70);
  EXPECT_EQ(ErrorFromErrno(ENOSPC), 61);
  EXPECT_EQ(ErrorFromErrno(EIO), 57);
  EXPECT_EQ(ErrorFromErrno(EEXIST), 58);
  EXPECT_THROW(ThrowIfError(61), RuntimeError);
  EXPECT_NO_THROW(ThrowIfError(0));
}

}  // namespace
}  // namespace pixferry
