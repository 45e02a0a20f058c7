#include "platform/dates.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace pixferry {
namespace {

constexpr auto MDY = DateOrder::MonthDayYear;
constexpr auto DMY = DateOrder::DayMonthYear;
constexpr auto YMD = DateOrder::YearMonthDay;

void ExpectNotADate(std::string_view text, DateOrder order) {
  try {
    const CalendarDate d = ParseDate(text, order);
    ADD_FAILURE() << "\"" << text << "\" read as " << d.year << "-" << d.month << "-" << d.day;
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kTypeMismatch) << text;
    EXPECT_EQ(e.description(), "Type mismatch");
  }
}

TEST(ParseDate, ReadsTheFormsTheHelpTextShows) {
  EXPECT_EQ(ParseDate("3/2/2008", MDY), (CalendarDate{2008, 3, 2}));
  EXPECT_EQ(ParseDate("03/02/2008", MDY), (CalendarDate{2008, 3, 2}));
  EXPECT_EQ(ParseDate("1/1/08", MDY), (CalendarDate{2008, 1, 1}));
  EXPECT_EQ(ParseDate("1-1-2008", MDY), (CalendarDate{2008, 1, 1}));
  EXPECT_EQ(ParseDate("12.31.1999", MDY), (CalendarDate{1999, 12, 31}));
  EXPECT_EQ(ParseDate("01/01/1008", MDY), (CalendarDate{1008, 1, 1}));
}

TEST(ParseDate, FollowsTheOrderOfTheLocale) {
  EXPECT_EQ(ParseDate("3/2/2008", DMY), (CalendarDate{2008, 2, 3}));
  EXPECT_EQ(ParseDate("31.12.1999", DMY), (CalendarDate{1999, 12, 31}));
  EXPECT_EQ(ParseDate("02/03/08", DMY), (CalendarDate{2008, 3, 2}));
  EXPECT_EQ(ParseDate("2008-03-02", YMD), (CalendarDate{2008, 3, 2}));
  EXPECT_EQ(ParseDate("08-03-02", YMD), (CalendarDate{2008, 3, 2}));
  // A four-digit year first is read year-month-day in every locale.
  EXPECT_EQ(ParseDate("2008-03-02", MDY), (CalendarDate{2008, 3, 2}));
  EXPECT_EQ(ParseDate("2008/3/2", DMY), (CalendarDate{2008, 3, 2}));
  // The help text's forms work in a year-first locale too.
  EXPECT_EQ(ParseDate("1/2/2008", YMD), (CalendarDate{2008, 1, 2}));
  EXPECT_EQ(ParseDate("1/2/08", YMD), (CalendarDate{2008, 1, 2}));
}

TEST(ParseDate, TwoDigitYearsPivotAtThirty) {
  EXPECT_EQ(ParseDate("1/1/00", MDY).year, 2000);
  EXPECT_EQ(ParseDate("1/1/29", MDY).year, 2029);
  EXPECT_EQ(ParseDate("1/1/30", MDY).year, 1930);
  EXPECT_EQ(ParseDate("1/1/99", MDY).year, 1999);
}

TEST(ParseDate, KnowsTheLengthOfEveryMonthAndTheLeapYears) {
  EXPECT_EQ(ParseDate("2/29/2008", MDY), (CalendarDate{2008, 2, 29}));
  EXPECT_EQ(ParseDate("2/29/2000", MDY), (CalendarDate{2000, 2, 29}));
  EXPECT_EQ(ParseDate("29/2/08", DMY), (CalendarDate{2008, 2, 29}));
  ExpectNotADate("2/29/2007", MDY);
  ExpectNotADate("2/29/1900", MDY);
  ExpectNotADate("2/30/2008", MDY);
  ExpectNotADate("4/31/2008", MDY);
  ExpectNotADate("31/4/2008", DMY);
  EXPECT_EQ(ParseDate("12/31/2008", MDY).day, 31);
}

TEST(ParseDate, RejectsWhatIsNoDate) {
  for (const char* text :
       {"31/31/2008", "13/1/2008", "0/1/2008",      "1/0/2008",      "",
        " ",          "today",     "March 2, 2008", "1/1/",          "1/1",
        "/1/2008",    "1//2008",   "1/1/2008x",     "1/1/2008 junk", "1/1/2008/5",
        "1/1-2008",   "1 1 2008",  "123/1/2008",    "1/123/2008",    "1/1/208",
        "1/1/20081",  "+1/1/2008", "-1/1/2008",     "1/1/0099",      "\xef\xbc\x91/1/2008"}) {
    ExpectNotADate(text, MDY);
  }
  ExpectNotADate("31/31/2008", DMY);
  ExpectNotADate("2008-13-01", YMD);
  ExpectNotADate("2008-1", YMD);
}

TEST(ParseDate, AllowsBlanksAroundTheDate) {
  EXPECT_EQ(ParseDate(" 3/2/2008\t", MDY), (CalendarDate{2008, 3, 2}));
  ExpectNotADate("3/ 2/2008", MDY);
}

TEST(ShortDate, TodaysShortDateReadsBackAsToday) {
  EXPECT_EQ(ParseDate(ShortDateText(Today())), Today());
  const CalendarDate today = Today();
  EXPECT_GE(today.year, 2000);
  EXPECT_TRUE(today.month >= 1 && today.month <= 12);
}

#ifndef _WIN32
// Sets the user's locale for date texts through the environment, as a session would.
class ScopedTimeLocale {
 public:
  explicit ScopedTimeLocale(const char* name) {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
      const char* value = std::getenv(variable);
      saved_.push_back({variable, value ? std::optional<std::string>(value) : std::nullopt});
    }
    ::setenv("LC_ALL", name, 1);
  }
  ~ScopedTimeLocale() {
    for (const auto& [variable, value] : saved_) {
      if (value) {
        ::setenv(variable, value->c_str(), 1);
      } else {
        ::unsetenv(variable);
      }
    }
  }

  static bool Installed(const char* name) {
    locale_t l = ::newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
    if (l == static_cast<locale_t>(nullptr)) return false;
    ::freelocale(l);
    return true;
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// Every day of a leap year and a few far ones come back from their own short date text.
void ExpectEveryShortDateReadsBack() {
  std::vector<CalendarDate> dates = {{1930, 1, 1}, {1999, 12, 31}, {2000, 2, 29}, {2029, 12, 31}};
  constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 1; month <= 12; ++month) {
    for (int day = 1; day <= kDays[month - 1]; ++day) dates.push_back({2008, month, day});
  }
  for (const CalendarDate& d : dates) {
    const std::string text = ShortDateText(d);
    EXPECT_EQ(ParseDate(text), d) << text;
  }
  EXPECT_EQ(ParseDate(ShortDateText(Today())), Today());
}

struct LocaleCase {
  const char* name;
  DateOrder order;
  const char* text_of_2008_03_02;
};

class LocaleDates : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleDates, ShortDateOrderAndReadingBack) {
  const LocaleCase& c = GetParam();
  if (!ScopedTimeLocale::Installed(c.name)) {
    GTEST_SKIP() << "locale " << c.name << " is not installed on this machine";
  }
  ScopedTimeLocale locale(c.name);
  EXPECT_EQ(LocaleDateOrder(), c.order);
  EXPECT_EQ(ShortDateText({2008, 3, 2}), c.text_of_2008_03_02);
  EXPECT_EQ(ParseDate(c.text_of_2008_03_02), (CalendarDate{2008, 3, 2}));
  ExpectEveryShortDateReadsBack();
  // Only the exact text of the locale is read back, never one with something added.
  EXPECT_THROW(ParseDate(std::string(c.text_of_2008_03_02) + "x"), RuntimeError);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LocaleDates,
    ::testing::Values(
        LocaleCase{"C", MDY, "03/02/08"}, LocaleCase{"en_US.UTF-8", MDY, "03/02/2008"},
        LocaleCase{"de_DE.UTF-8", DMY, "02.03.2008"}, LocaleCase{"en_GB.UTF-8", DMY, "02/03/08"},
        LocaleCase{"bg_BG.UTF-8", DMY, " 2.03.2008"}, LocaleCase{"cs_CZ.UTF-8", DMY, "2.3.2008"},
        LocaleCase{"sv_SE.UTF-8", YMD, "2008-03-02"}, LocaleCase{"lv_LV.UTF-8", YMD, "2008.03.02."},
        LocaleCase{"ko_KR.UTF-8", YMD, "2008\xeb\x85\x84 03\xec\x9b\x94 02\xec\x9d\xbc"},
        LocaleCase{"ja_JP.UTF-8", YMD,
                   "2008\xe5\xb9\xb4"
                   "03\xe6\x9c\x88"
                   "02\xe6\x97\xa5"},
        // A month name or another era cannot be read back: the numbers are written instead.
        LocaleCase{"nb_NO.UTF-8", DMY, "02/03/2008"}, LocaleCase{"th_TH.UTF-8", DMY, "02/03/2008"}),
    [](const ::testing::TestParamInfo<LocaleCase>& test) {
      std::string name;
      for (const char* p = test.param.name; *p != 0 && *p != '.'; ++p) name += *p;
      return name;
    });

TEST(LocaleDates, TheLocaleOrderDecidesTheNumericForms) {
  ScopedTimeLocale locale("C");
  EXPECT_EQ(ParseDate("3/2/2008"), (CalendarDate{2008, 3, 2}));
  EXPECT_THROW(ParseDate("31/12/2008"), RuntimeError);
  if (ScopedTimeLocale::Installed("de_DE.UTF-8")) {
    ScopedTimeLocale german("de_DE.UTF-8");
    EXPECT_EQ(ParseDate("3/2/2008"), (CalendarDate{2008, 2, 3}));
    EXPECT_EQ(ParseDate("31/12/2008"), (CalendarDate{2008, 12, 31}));
  }
}

TEST(LocaleDates, AnUnknownLocaleFallsBackToTheCLocale) {
  ScopedTimeLocale locale("xx_NOWHERE.UTF-8");
  EXPECT_EQ(LocaleDateOrder(), MDY);
  EXPECT_EQ(ShortDateText({2008, 3, 2}), "03/02/08");
}

#endif  // _WIN32

}  // namespace
}  // namespace pixferry
