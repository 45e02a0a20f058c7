#include "ui/qt/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <cmath>

#include "ui/qt/Text.h"

namespace pixferry::qt {
namespace {

// Where Debian's fonts-wine package puts the Windows system fonts.
constexpr const char* kWineFontFiles[] = {
    "/usr/share/wine/fonts/sserife.fon",
    "/usr/share/wine/fonts/ms_sans_serif.ttf",
};

// A bitmap face is drawn only at the sizes it holds and is not emboldened by Qt, and a .fon
// face has no Unicode character map, so it is used only when it really draws what is asked.
bool Serves(const QString& family, int pixel_size, int weight) {
  if (!QFontDatabase::families().contains(family)) return false;
  QFont font(family);
  font.setPixelSize(pixel_size);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setStyleStrategy(QFont::NoFontMerging);
  const QFontInfo info(font);
  if (info.family() != family || info.pixelSize() != pixel_size) return false;
  if (!QFontMetrics(font).inFont(QLatin1Char('A'))) return false;
  if (QFontDatabase::isSmoothlyScalable(family)) return true;
  for (const QString& style : QFontDatabase::styles(family)) {
    if (QFontDatabase::weight(family, style) >= weight) return true;
  }
  return false;
}

}  // namespace

void LoadFonts() {
  for (const char* file : kWineFontFiles) {
    if (QFile::exists(QString::fromLatin1(file))) {
      QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    }
  }
}

int FontPixelSize(const FontLayout& desc, int dpi) {
  return static_cast<int>(std::lround(desc.points * dpi / 72.0));
}

QString FontFamily(const FontLayout& desc, int pixel_size) {
  const QString wanted = ToQString(desc.face);
  return Serves(wanted, pixel_size, desc.weight) ? wanted : QString::fromLatin1(kFallbackFamily);
}

QFont MakeFont(const FontLayout& desc, int dpi) {
  const int pixels = FontPixelSize(desc, dpi);
  QFont font(FontFamily(desc, pixels));
  font.setPixelSize(pixels);
  font.setWeight(static_cast<QFont::Weight>(desc.weight));
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

}  // namespace pixferry::qt
