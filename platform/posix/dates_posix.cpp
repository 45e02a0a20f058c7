// Today's date and the user's short date format (strftime "%x" under the user's LC_TIME). The
// locale is opened per call with newlocale rather than setlocale, so nothing process-wide changes
// behind the front end's back.
#include <locale.h>
#include <time.h>

#include <array>
#include <cstddef>
#include <string>

#include "platform/dates.h"
#include "platform/errors.h"

namespace pixferry {
namespace {

// The LC_TIME category the environment asks for (LC_ALL, LC_TIME, LANG), or "C" when that
// locale is not installed.
class UserTimeLocale {
 public:
  UserTimeLocale() {
    handle_ = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (handle_ == static_cast<locale_t>(nullptr)) {
      handle_ = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }
    if (handle_ == static_cast<locale_t>(nullptr)) throw RuntimeError(err::kOutOfMemory);
  }
  ~UserTimeLocale() { ::freelocale(handle_); }
  UserTimeLocale(const UserTimeLocale&) = delete;
  UserTimeLocale& operator=(const UserTimeLocale&) = delete;

  locale_t get() const { return handle_; }

 private:
  locale_t handle_;
};

// Day of the week (0 = Sunday) and of the year, for a locale whose short date names them.
struct tm ToTm(const CalendarDate& date) {
  static constexpr std::array<int, 12> kOffsets = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  static constexpr std::array<int, 12> kDaysBefore = {0,   31,  59,  90,  120, 151,
                                                      181, 212, 243, 273, 304, 334};
  struct tm t {};
  t.tm_year = date.year - 1900;
  t.tm_mon = date.month - 1;
  t.tm_mday = date.day;
  t.tm_hour = 12;
  const int y = date.month < 3 ? date.year - 1 : date.year;
  const auto m = static_cast<std::size_t>(date.month - 1);
  t.tm_wday = (y + y / 4 - y / 100 + y / 400 + kOffsets[m] + date.day) % 7;
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  t.tm_yday = kDaysBefore[m] + date.day - 1 + (leap && date.month > 2 ? 1 : 0);
  t.tm_isdst = -1;
  return t;
}

std::string FormatShortDate(const CalendarDate& date, locale_t locale) {
  const struct tm t = ToTm(date);
  std::array<char, 128> buffer{};
  const std::size_t n = ::strftime_l(buffer.data(), buffer.size(), "%x", &t, locale);
  if (n == 0) throw RuntimeError(err::kInvalidProcedureCall);
  return std::string(buffer.data(), n);
}

// Write 31 December 1999 and see where the year, the month and the day come out.
DateOrder OrderOf(locale_t locale) {
  const std::string text = FormatShortDate({1999, 12, 31}, locale);
  std::size_t year = text.find("1999");
  if (year == std::string::npos) year = text.find("99");
  const std::size_t month = text.find("12");
  const std::size_t day = text.find("31");
  if (year != std::string::npos && (year < day || day == std::string::npos) &&
      (year < month || month == std::string::npos)) {
    return DateOrder::YearMonthDay;
  }
  if (day != std::string::npos && (day < month || month == std::string::npos)) {
    return DateOrder::DayMonthYear;
  }
  return DateOrder::MonthDayYear;
}

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

CalendarDate Today() {
  const time_t now = ::time(nullptr);
  struct tm local {};
  if (::localtime_r(&now, &local) == nullptr) throw RuntimeError(err::kInvalidProcedureCall);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string ShortDateText(const CalendarDate& date) {
  const UserTimeLocale locale;
  std::string text = FormatShortDate(date, locale.get());
  const DateOrder order = OrderOf(locale.get());
  if (ReadDateNumbers(text, order) == date) return text;

  // A locale that names the month, counts years from another era or writes other digits: the
  // date box gets the numbers in the locale's order instead, so that Start can read it.
  const std::string year = std::to_string(date.year);
  const std::string month = TwoDigits(date.month);
  const std::string day = TwoDigits(date.day);
  switch (order) {
    case DateOrder::YearMonthDay:
      return year + "-" + month + "-" + day;
    case DateOrder::DayMonthYear:
      return day + "/" + month + "/" + year;
    case DateOrder::MonthDayYear:
      break;
  }
  return month + "/" + day + "/" + year;
}

DateOrder LocaleDateOrder() {
  const UserTimeLocale locale;
  return OrderOf(locale.get());
}

}  // namespace pixferry
