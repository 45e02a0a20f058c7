// Picture loading for both picture boxes: what decodes, the run-time numbers of what does not,
// and the previous picture kept on a failure.
#include "ui/win32/Picture.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"
#include "ui/win32/resource.h"

namespace pixferry::win32::testing {
namespace {

using pixferry::testing::JpegBytes;
using pixferry::testing::MakeFolders;
using pixferry::testing::WriteFile;

int ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class PictureTest : public ::testing::Test {
 protected:
  GdiplusSession gdiplus;
  TempDir dir;
  Win32PictureBox box;
};

TEST_F(PictureTest, AJpegDecodesAtItsSize) {
  WriteFile(dir / "a.jpg", JpegBytes());
  const auto picture = Picture::FromFile(dir / "a.jpg");
  EXPECT_EQ(picture->width(), 8);
  EXPECT_EQ(picture->height(), 8);
}

TEST_F(PictureTest, TheBackgroundResourceIsTheWoodPicture) {
  const auto picture = Picture::FromResource(::GetModuleHandleW(nullptr), IDR_BACKGROUND);
  EXPECT_EQ(picture->width(), 468);
  EXPECT_EQ(picture->height(), 329);
}

TEST_F(PictureTest, MissingFilesAndFoldersGiveTheirNumbers) {
  EXPECT_EQ(ErrorOf([&] { box.LoadPicture(dir / "missing.jpg"); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { box.LoadPicture(dir / "gone/a.jpg"); }), err::kPathNotFound);
  EXPECT_FALSE(box.HasPicture());
}

TEST_F(PictureTest, WhatIsNoPictureGives481AndTheOldPictureStays) {
  WriteFile(dir / "good.jpg", JpegBytes());
  box.LoadPicture(dir / "good.jpg");
  ASSERT_TRUE(box.HasPicture());
  WriteFile(dir / "text.jpg", "not a picture at all");
  WriteFile(dir / "empty.jpg", "");
  MakeFolders(dir / "folder.jpg");
  const std::string jpeg = JpegBytes();
  WriteFile(dir / "cut.jpg", jpeg.substr(0, 20));
  for (const char* name : {"text.jpg", "empty.jpg", "folder.jpg", "cut.jpg"}) {
    EXPECT_EQ(ErrorOf([&] { box.LoadPicture(dir / name); }), err::kInvalidPicture) << name;
    EXPECT_TRUE(box.HasPicture()) << name;
  }
  EXPECT_EQ(ErrorOf([&] { box.LoadPicture(dir / "missing.jpg"); }), err::kFileNotFound);
  EXPECT_TRUE(box.HasPicture());
}

TEST_F(PictureTest, ANameOutsideTheAnsiCodePageLoads) {
  const std::string path = dir / "\xE6\x97\xA5\xE6\x9C\xAC \xD0\x96.jpg";
  WriteFile(path, JpegBytes());
  box.LoadPicture(path);
  EXPECT_TRUE(box.HasPicture());
}

TEST_F(PictureTest, APictureIsDrawnStretchedOverTheWholeRectangle) {
  // A 4 x 1 picture, two red pixels then two blue, stretched to 40 x 40: left half red, right
  // half blue, top to bottom.
  const std::string path = dir / "two.bmp";
  std::string bmp = std::string("BM") + std::string(4, '\0') + std::string(4, '\0');
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put32(54);
  put32(40);
  put32(4);
  put32(1);
  bmp += std::string("\x01\x00\x18\x00", 4);
  for (int i = 0; i < 6; ++i) put32(0);
  bmp += std::string("\x00\x00\xFF\x00\x00\xFF\xFF\x00\x00\xFF\x00\x00", 12);  // BGR
  WriteFile(path, bmp);
  const auto picture = Picture::FromFile(path);

  const WindowDc screen(nullptr);
  const UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  const UniqueBitmap canvas(::CreateCompatibleBitmap(screen.get(), 40, 40));
  const ScopedSelect select(dc.get(), canvas.get());
  picture->DrawStretched(dc.get(), RECT{0, 0, 40, 40});
  // Smoothing blends the two near the middle; the quarters are pure, edges and corners too.
  for (const int y : {0, 20, 39}) {
    for (const int x : {0, 8}) {
      const COLORREF c = ::GetPixel(dc.get(), x, y);
      EXPECT_TRUE(GetRValue(c) > 200 && GetBValue(c) < 60)
          << x << "," << y << ": " << std::hex << c;
    }
    for (const int x : {31, 39}) {
      const COLORREF c = ::GetPixel(dc.get(), x, y);
      EXPECT_TRUE(GetBValue(c) > 200 && GetRValue(c) < 60)
          << x << "," << y << ": " << std::hex << c;
    }
  }
}

}  // namespace
}  // namespace pixferry::win32::testing
