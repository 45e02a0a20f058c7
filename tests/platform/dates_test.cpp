#include "platform/dates.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/errors.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

constexpr auto MDY = DateOrder::MonthDayYear;
constexpr auto DMY = DateOrder::DayMonthYear;
constexpr auto YMD = DateOrder::YearMonthDay;

// The date text reads as in order, or under the user's locale.
CalendarDate Parsed(std::string_view text, std::optional<DateOrder> order = std::nullopt) {
  CalendarDate date;
  EXPECT_EQ(order ? ParseDate(text, *order, date) : ParseDate(text, date), 0) << text;
  return date;
}

// Two-digit years up to 29 are this century's. A four-digit year first is read year-month-day in
// every locale; a year-first locale still reads the help text's month/day/year forms.
TEST(ParseDate, ReadsNumericDatesInTheLocalesOrderAndRejectsWhatIsNoDate) {
  const std::tuple<const char*, DateOrder, CalendarDate> read[] = {
      {" 01/01/1008\t", MDY, {1008, 1, 1}}, {"1.1.29", MDY, {2029, 1, 1}},
      {"1/1/30", MDY, {1930, 1, 1}},        {"2/29/2000", MDY, {2000, 2, 29}},
      {"3/2/2008", DMY, {2008, 2, 3}},      {"2008/3/2", DMY, {2008, 3, 2}},
      {"08-03-02", YMD, {2008, 3, 2}},      {"01/02/2008", YMD, {2008, 1, 2}}};
  for (const auto& [text, order, date] : read) EXPECT_EQ(Parsed(text, order), date);
  for (const char* text : {"31/31/2008", "2/29/1900", "4/31/2008", "today", "1/1", "1/1/2008x",
                           "1/1-2008", "3/ 2/2008", "123/1/2008", "1/1/208", "1/1/0099"}) {
    CalendarDate date;
    EXPECT_EQ(ParseDate(text, MDY, date), err::kTypeMismatch) << text;
  }
}

#ifndef _WIN32
// Whatever the date box rule writes must read back, exactly that text and nothing added to it.
// Japanese writes other marks between the numbers; Norwegian names the month, which cannot be
// read back, so the numbers are written instead.
TEST(LocaleDates, ShortDateOrderAndReadingBack) {
  const std::tuple<const char*, DateOrder, const char*> locales[] = {
      {"C", MDY, "03/02/08"},
      {"de_DE.UTF-8", DMY, "02.03.2008"},
      {"ja_JP.UTF-8", YMD,
       "2008\xe5\xb9\xb4"
       "03\xe6\x9c\x88"
       "02\xe6\x97\xa5"},
      {"nb_NO.UTF-8", DMY, "02/03/2008"}};
  for (const auto& [name, order, text_of_2008_03_02] : locales) {
    const locale_t installed = ::newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
    if (installed == static_cast<locale_t>(nullptr)) GTEST_SKIP() << name << " is not installed";
    ::freelocale(installed);
    const testing::ScopedEnv locale("LC_ALL", name);  // as a session sets the user's locale
    EXPECT_EQ(LocaleDateOrder(), order) << name;
    EXPECT_EQ(ShortDateText({2008, 3, 2}), text_of_2008_03_02);
    CalendarDate date;
    EXPECT_EQ(ParseDate(std::string(text_of_2008_03_02) + "x", date), err::kTypeMismatch) << name;
    constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= kDays[month - 1]; ++day) {
        const std::string text = ShortDateText({2008, month, day});
        EXPECT_EQ(Parsed(text), (CalendarDate{2008, month, day})) << name << " " << text;
      }
    }
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace pixferry
