// The layout's two fonts on this desktop: "MS Sans Serif" where Qt can draw it at the size and
// weight asked for, otherwise the scalable font closest in width.
#pragma once

#include <QFont>
#include <QString>

#include "app/FormLayouts.h"

namespace pixferry::qt {

inline constexpr const char* kFallbackFamily = "Liberation Sans";

// Registers the "MS Sans Serif" files of the wine fonts package with Qt when they are installed.
void LoadFonts();

// Pixel size of a font of the layout at dpi: points scale with the screen like the geometry.
int FontPixelSize(const FontLayout& desc, int dpi);

// The family that serves the layout font at that pixel size and weight.
QString FontFamily(const FontLayout& desc, int pixel_size);

QFont MakeFont(const FontLayout& desc, int dpi);

}  // namespace pixferry::qt
