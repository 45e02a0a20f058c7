// The date parser on arbitrary text, in all three orders: it either refuses the text (13) or
// gives a real calendar date, and that date written back as numbers reads as the same date.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dates.h"
#include "platform/errors.h"

namespace {

using pixferry::CalendarDate;
using pixferry::DateOrder;

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int month, int year) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

void CheckValid(const CalendarDate& d) {
  if (d.month < 1 || d.month > 12) std::abort();
  if (d.day < 1 || d.day > DaysIn(d.month, d.year)) std::abort();
  if (d.year < 0 || d.year > 9999) std::abort();
}

std::string FourDigits(int year) {
  std::string digits = std::to_string(year);
  return std::string(4 - digits.size(), '0') + digits;
}

std::string Numeric(const CalendarDate& d, DateOrder order) {
  const std::string m = std::to_string(d.month);
  const std::string day = std::to_string(d.day);
  switch (order) {
    case DateOrder::MonthDayYear:
      return m + "/" + day + "/" + FourDigits(d.year);
    case DateOrder::DayMonthYear:
      return day + "." + m + "." + FourDigits(d.year);
    case DateOrder::YearMonthDay:
      return FourDigits(d.year) + "-" + m + "-" + day;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const DateOrder order :
       {DateOrder::MonthDayYear, DateOrder::DayMonthYear, DateOrder::YearMonthDay}) {
    CalendarDate date;
    if (const int e = pixferry::ParseDate(text, order, date)) {
      if (e != pixferry::err::kTypeMismatch) std::abort();
    } else {
      CheckValid(date);
      CalendarDate again;
      if (pixferry::ParseDate(Numeric(date, order), order, again) != 0 || again != date) {
        std::abort();
      }
    }
    if (const std::optional<CalendarDate> read = pixferry::ReadDateNumbers(text, order)) {
      CheckValid(*read);
    }
  }
  return 0;
}
