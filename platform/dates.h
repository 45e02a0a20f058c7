// Dates: today, its short-date text in the user's locale, and the one text-to-date parser.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pixferry {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

int Today(CalendarDate& date);
// The user's short date format (Windows: the user's locale; POSIX: strftime "%x" under LC_TIME),
// or the date's numbers where the system writes no text that reads back.
std::string ShortDateText(const CalendarDate& date);
// The order of day, month and year in the user's short date format.
DateOrder LocaleDateOrder();

// Numeric dates in the given order, separated by "/", "-" or ".", one or two digits for day and
// month, two or four for the year (00-29 are 2000-2029, 30-99 are 1930-1999); a four-digit year
// first is always read year-month-day. Anything else gives 13 (type mismatch).
int ParseDate(std::string_view text, DateOrder order, CalendarDate& date);
// The same under the user's locale; also reads back every text ShortDateText writes.
int ParseDate(std::string_view text, CalendarDate& date);

// The date a short date text names under order: the numeric form above, or else exactly three
// numbers amid other marks ("2008. 03. 02.", "2008年03月02日"). Nothing when it names none.
// ShortDateText uses it to make sure that what it writes reads back.
std::optional<CalendarDate> ReadDateNumbers(std::string_view text, DateOrder order);

}  // namespace pixferry
