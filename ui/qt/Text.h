// Text between the core (UTF-8 std::string) and Qt, always as plain text.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pixferry::qt {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
  return text.toStdString();
}

// Qt reads "[*]" in a window title as the modified marker and drops it; doubling keeps it.
inline QString PlainTitle(std::string_view title) {
  return ToQString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

// A button caption shown as written: '&' is not a mnemonic.
inline QString PlainCaption(std::string_view caption) {
  return ToQString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace pixferry::qt
