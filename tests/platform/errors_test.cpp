#include "platform/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

// A card pulled out is no disk that is merely not ready: nothing retried on it can help.
TEST(Errors, AVanishedMediumIsDeviceUnavailable) {
  EXPECT_EQ(ErrorFromErrno(ENODEV), err::kDeviceUnavailable);
  EXPECT_EQ(ErrorFromErrno(ENXIO), err::kDeviceUnavailable);
  EXPECT_EQ(ErrorFromErrno(ENOTCONN), err::kDeviceUnavailable);  // a FUSE card's daemon died
  EXPECT_STREQ(RuntimeError(ErrorFromErrno(ENODEV)).what(), "68 Device unavailable");
  EXPECT_EQ(ErrorFromErrno(EIO), err::kDeviceIoError);

  // An I/O error is the medium gone only when the file's folder went with it.
  testing::TempDir dir;
  EXPECT_EQ(ErrorFromErrnoOn(EIO, dir / "IMG_0001.JPG"), err::kDeviceIoError);
  EXPECT_EQ(ErrorFromErrnoOn(EIO, dir / "gone/IMG_0001.JPG"), err::kDeviceUnavailable);
  EXPECT_EQ(ErrorFromErrnoOn(ENODEV, dir / "IMG_0001.JPG"), err::kDeviceUnavailable);
  EXPECT_EQ(ErrorFromErrnoOn(ENOENT, dir / "gone/IMG_0001.JPG"), err::kFileNotFound);
}

}  // namespace
}  // namespace pixferry
