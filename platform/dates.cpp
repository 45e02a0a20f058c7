// The one text-to-date parser, the same on every platform: numeric dates in the locale's order,
// plus whatever the locale's own short date text looks like, so that a date the date box rule
// wrote always reads back.
#include "platform/dates.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace pixferry {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

int ToNumber(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999. Four-digit years are taken as
// written, within the range a date can hold (100-9999).
std::optional<int> YearOf(std::string_view digits) {
  if (digits.size() == 2) {
    const int yy = ToNumber(digits);
    return yy < 30 ? 2000 + yy : 1900 + yy;
  }
  if (digits.size() == 4) {
    const int year = ToNumber(digits);
    if (year >= 100) return year;
  }
  return std::nullopt;
}

// A day or a month: one or two digits.
std::optional<int> SmallField(std::string_view digits) {
  if (digits.empty() || digits.size() > 2) return std::nullopt;
  return ToNumber(digits);
}

std::optional<CalendarDate> MakeDate(std::optional<int> year, std::optional<int> month,
                                     std::optional<int> day) {
  if (!year || !month || !day) return std::nullopt;
  if (*month < 1 || *month > 12) return std::nullopt;
  if (*day < 1 || *day > DaysInMonth(*year, *month)) return std::nullopt;
  return CalendarDate{*year, *month, *day};
}

// Puts three numeric fields in their places. A four-digit field first is a year whatever the
// locale says. A year-first locale reads a two-digit first field as the year too, unless the year
// is plainly last; then, as with a single digit first, the date is month, day, year, the form the
// program's own help text shows.
std::optional<CalendarDate> FromFields(std::string_view a, std::string_view b, std::string_view c,
                                       DateOrder order) {
  const bool year_first =
      a.size() == 4 || (order == DateOrder::YearMonthDay && a.size() == 2 && c.size() != 4);
  if (year_first) return MakeDate(YearOf(a), SmallField(b), SmallField(c));
  if (order == DateOrder::DayMonthYear) return MakeDate(YearOf(c), SmallField(b), SmallField(a));
  return MakeDate(YearOf(c), SmallField(a), SmallField(b));
}

// The numeric form: digits, a separator ("/", "-" or "."), digits, the same separator, digits;
// blanks around the whole are allowed, nothing else.
std::optional<CalendarDate> ParseNumeric(std::string_view text, DateOrder order) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  std::array<std::string_view, 3> fields;
  char separator = 0;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    if (pos == start) return std::nullopt;
    fields[i] = text.substr(start, pos - start);
    if (i == fields.size() - 1) break;
    if (pos == text.size()) return std::nullopt;
    const char c = text[pos];
    if (c != '/' && c != '-' && c != '.') return std::nullopt;
    if (separator != 0 && c != separator) return std::nullopt;
    separator = c;
    ++pos;
  }
  if (pos != text.size()) return std::nullopt;
  return FromFields(fields[0], fields[1], fields[2], order);
}

// The runs of ASCII digits in a text, for reading a locale's own short date back.
std::vector<std::string_view> DigitRuns(std::string_view text) {
  std::vector<std::string_view> runs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (!IsDigit(text[pos])) {
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    runs.push_back(text.substr(start, pos - start));
  }
  return runs;
}

}  // namespace

int ParseDate(std::string_view text, DateOrder order, CalendarDate& date) {
  const std::optional<CalendarDate> read = ParseNumeric(text, order);
  if (!read) return err::kTypeMismatch;
  date = *read;
  return 0;
}

std::optional<CalendarDate> ReadDateNumbers(std::string_view text, DateOrder order) {
  if (const std::optional<CalendarDate> date = ParseNumeric(text, order)) return date;
  const std::vector<std::string_view> runs = DigitRuns(text);
  if (runs.size() != 3) return std::nullopt;
  return FromFields(runs[0], runs[1], runs[2], order);
}

int ParseDate(std::string_view text, CalendarDate& date) {
  const DateOrder order = LocaleDateOrder();
  if (ParseDate(text, order, date) == 0) return 0;

  // Locales that write their short date with other marks between the numbers: accept the text
  // only when the locale writes exactly that text for the date its numbers give.
  const std::optional<CalendarDate> read = ReadDateNumbers(text, order);
  if (!read || ShortDateText(*read) != text) return err::kTypeMismatch;
  date = *read;
  return 0;
}

}  // namespace pixferry

#ifdef _WIN32
#include "platform/win32/dates.inc"
#else
#include "platform/posix/dates.inc"
#endif
