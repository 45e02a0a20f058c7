// Decoded pictures (JPEG and the other formats GDI+ reads), drawn stretched to a rectangle.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace pixferry::win32 {

// GDI+ for the scope; every Picture lives inside one.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

class Picture {
 public:
  // Throws RuntimeError: 53 the file is missing, 76 its folder is, 481 it is no picture.
  static std::unique_ptr<Picture> FromFile(const std::string& path);
  // Throws RuntimeError 481 when the bytes are no picture.
  static std::unique_ptr<Picture> FromBytes(const void* data, std::size_t size);
  // An RCDATA resource of the module; throws 481 when it is missing or no picture.
  static std::unique_ptr<Picture> FromResource(HINSTANCE module, int id);

  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int width() const;
  int height() const;
  // Stretched to fill target exactly; the aspect ratio is not kept.
  void DrawStretched(HDC dc, const RECT& target) const;

 private:
  struct Impl;
  explicit Picture(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace pixferry::win32
