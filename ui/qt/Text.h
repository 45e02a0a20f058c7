// Text between the core (UTF-8 std::string) and Qt, always as plain text.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <string>
#include <string_view>

namespace pixferry::qt {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
  return text.toStdString();
}

// A text box shows the readable form of the core's text, and a name that is not UTF-8 (Linux
// allows any bytes) would lose its odd bytes there: Qt turns each into U+FFFD and back into three
// other bytes, even through QFile::decodeName and encodeName. So the widget keeps the core's bytes
// beside the text it shows, and gives them back for as long as the text on show is theirs.
inline constexpr char kCoreBytes[] = "pixferryCoreBytes";

inline void KeepCoreBytes(QObject& widget, std::string_view text) {
  widget.setProperty(kCoreBytes, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

inline std::string CoreText(const QObject& widget, const QString& shown) {
  const QByteArray kept = widget.property(kCoreBytes).toByteArray();
  if (!kept.isEmpty() && ToQString(std::string_view(kept.constData(), kept.size())) == shown) {
    return kept.toStdString();
  }
  return ToStdString(shown);
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
