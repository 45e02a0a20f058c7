#include "platform/ansi.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ansi_1252.h"

namespace pixferry {
namespace {

TEST(Windows1252, AsciiPassesThroughBothWays) {
  const std::string ascii = "D:\\Cases 0815-22_Desk_4 ~!";
  EXPECT_EQ(Utf8ToWindows1252(ascii), ascii);
  EXPECT_EQ(Windows1252ToUtf8(ascii), ascii);
}

TEST(Windows1252, LatinAndTheEightiesBlockMapToTheirBytes) {
  EXPECT_EQ(Utf8ToWindows1252("\xC3\xA9"), "\xE9");                      // é
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC"), "\x80");                  // €
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x80\x9C\xE2\x80\x9D"), "\x93\x94");  // curly quotes
  EXPECT_EQ(Utf8ToWindows1252("\xC5\xB8"), "\x9F");                      // Ÿ
  EXPECT_EQ(Utf8ToWindows1252("\xC3\xBF"), "\xFF");                      // ÿ
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Windows1252ToUtf8("\xE9"), "\xC3\xA9");
  EXPECT_EQ(Windows1252ToUtf8("\x99"), "\xE2\x84\xA2");  // ™
}

TEST(Windows1252, EveryByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(Windows1252, CharactersItCannotHoldBecomeOneQuestionMarkEach) {
  EXPECT_EQ(Utf8ToWindows1252("a\xE6\x97\xA5\xE6\x9C\xAC"
                              "b"),
            "a??b");                                      // 日本
  EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x93\xB7"), "?");  // an emoji, 4 bytes
  EXPECT_EQ(Utf8ToWindows1252("\xC4\x80"), "?");          // Ā
}

TEST(Windows1252, MalformedUtf8NeverReadsPastTheText) {
  EXPECT_EQ(Utf8ToWindows1252("x\xC3"), "x?");  // cut short at the end
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82"), "??");
  EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "??");       // overlong "/"
  EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");  // a surrogate
  EXPECT_EQ(Utf8ToWindows1252("\xFF"
                              "a"),
            "?a");
}

#ifndef _WIN32
TEST(AnsiCodePage, IsWindows1252OnPosix) {
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToAnsi("\xE6\x97\xA5"), "?");
}
#endif

}  // namespace
}  // namespace pixferry
