#include "ui/win32/Picture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

// gdiplus.h wants min and max, which NOMINMAX keeps out of windows.h.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "platform/errors.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"
#include "ui/win32/Handles.h"

namespace pixferry::win32 {
namespace {

// Photos are kept at most this large: enough for the viewer on any screen, and a camera's
// 24-megapixel frame does not hold a hundred megabytes while it is shown.
constexpr int kLargestSide = 2048;

std::vector<char> ReadWholeFile(const std::string& path) {
  // Any length: a copy in a deep case folder previews like any other.
  const std::wstring wide = LongPath(path);
  const UniqueHandle file =
      OwnHandle(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD e = ::GetLastError();
    // A folder given as the picture is no picture.
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
      throw RuntimeError(err::kInvalidPicture);
    }
    throw RuntimeError(ErrorFromWin32(e));
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) throw RuntimeError(LastError());
  // A file larger than any picture is refused before it is read.
  if (size.QuadPart > (LONGLONG{1} << 30)) throw RuntimeError(err::kInvalidPicture);
  std::vector<char> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
    if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
      throw RuntimeError(LastError());
    }
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

struct Picture::Impl {
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
};

Picture::Picture(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Picture::~Picture() = default;

std::unique_ptr<Picture> Picture::FromFile(const std::string& path) {
  const std::vector<char> bytes = ReadWholeFile(path);
  return FromBytes(bytes.data(), bytes.size());
}

std::unique_ptr<Picture> Picture::FromBytes(const void* data, std::size_t size) {
  if (size == 0 || size > UINT_MAX) throw RuntimeError(err::kInvalidPicture);
  ComPtr<IStream> stream;
  *stream.Receive() = ::SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
  if (!stream) throw RuntimeError(err::kOutOfMemory);

  // Decoded, then drawn into a bitmap of its own, so neither the stream nor the decoder is kept.
  Gdiplus::Bitmap decoded(stream.get());
  if (decoded.GetLastStatus() != Gdiplus::Ok) throw RuntimeError(err::kInvalidPicture);
  const int width = static_cast<int>(decoded.GetWidth());
  const int height = static_cast<int>(decoded.GetHeight());
  if (width <= 0 || height <= 0) throw RuntimeError(err::kInvalidPicture);
  int kept_width = width;
  int kept_height = height;
  if (std::max(width, height) > kLargestSide) {
    const double scale = static_cast<double>(kLargestSide) / std::max(width, height);
    kept_width = std::max(1, static_cast<int>(width * scale + 0.5));
    kept_height = std::max(1, static_cast<int>(height * scale + 0.5));
  }

  auto impl = std::make_unique<Impl>();
  impl->bitmap = std::make_unique<Gdiplus::Bitmap>(kept_width, kept_height, PixelFormat32bppPARGB);
  if (impl->bitmap->GetLastStatus() != Gdiplus::Ok) throw RuntimeError(err::kOutOfMemory);
  {
    Gdiplus::Graphics graphics(impl->bitmap.get());
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    const Gdiplus::Status drawn =
        graphics.DrawImage(&decoded, Gdiplus::Rect(0, 0, kept_width, kept_height), 0, 0, width,
                           height, Gdiplus::UnitPixel);
    // A file cut short decodes as far as it goes; one that cannot be drawn at all is no picture.
    if (drawn != Gdiplus::Ok) throw RuntimeError(err::kInvalidPicture);
  }
  return std::unique_ptr<Picture>(new Picture(std::move(impl)));
}

std::unique_ptr<Picture> Picture::FromResource(HINSTANCE module, int id) {
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  if (!found) throw RuntimeError(err::kInvalidPicture);
  const HGLOBAL loaded = ::LoadResource(module, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) throw RuntimeError(err::kInvalidPicture);
  return FromBytes(bytes, ::SizeofResource(module, found));
}

int Picture::width() const {
  return static_cast<int>(impl_->bitmap->GetWidth());
}
int Picture::height() const {
  return static_cast<int>(impl_->bitmap->GetHeight());
}

void Picture::DrawStretched(HDC dc, const RECT& target) const {
  Gdiplus::Graphics graphics(dc);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  // Edge pixels repeat instead of fading into nothing at the borders.
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  graphics.DrawImage(impl_->bitmap.get(),
                     Gdiplus::Rect(target.left, target.top, target.right - target.left,
                                   target.bottom - target.top),
                     0, 0, width(), height(), Gdiplus::UnitPixel, &attributes);
}

}  // namespace pixferry::win32
