// Today's date and its short-date text in the user's locale, and the order of the locale's
// short date, which the date parser follows.
#include <windows.h>

#include <string>

#include "platform/dates.h"
#include "platform/errors.h"
#include "platform/win32/wide.h"

namespace pixferry {
namespace {

std::wstring LocaleText(LCTYPE what) {
  const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, nullptr, 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, text.data(), n);
  text.resize(text.find(L'\0'));
  return text;
}

}  // namespace

CalendarDate Today() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

std::string ShortDateText(const CalendarDate& date) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  const int n = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, nullptr,
                                  0, nullptr);
  if (n <= 0) throw RuntimeError(err::kInvalidProcedureCall);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text.data(), n,
                    nullptr);
  text.resize(text.find(L'\0'));
  return Narrow(text);
}

DateOrder LocaleDateOrder() {
  // The first of d, M and y in the short date pattern, outside quoted literal text.
  bool quoted = false;
  for (const wchar_t c : LocaleText(LOCALE_SSHORTDATE)) {
    if (c == L'\'') quoted = !quoted;
    if (quoted) continue;
    if (c == L'd') return DateOrder::DayMonthYear;
    if (c == L'M') return DateOrder::MonthDayYear;
    if (c == L'y') return DateOrder::YearMonthDay;
  }
  return DateOrder::MonthDayYear;
}

}  // namespace pixferry
