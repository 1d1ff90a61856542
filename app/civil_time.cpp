#include "app/civil_time.h"

namespace {

constexpr uint64_t ticksPerSecond = 10000000;
constexpr int64_t secondsPerDay = 86400;
constexpr int64_t days1601To1970 = 134774;
constexpr int mondayOf1601 = 1;  // 1601-01-01 was a Monday; Sunday is 0

// The date of a day counted from 1970-01-01, by whole 400-year eras that
// begin on 1 March, so that the leap day ends each year.
void civilFromDays(int64_t days, CivilTime& time) {
    days += 719468;  // from 0000-03-01
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    time.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
}

}  // namespace

CivilTime civilTimeOf(platform::FileTime ticks) {
    int64_t seconds = static_cast<int64_t>(ticks / ticksPerSecond);
    int64_t days = seconds / secondsPerDay;
    int64_t secondOfDay = seconds % secondsPerDay;
    CivilTime time;
    civilFromDays(days - days1601To1970, time);
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>(secondOfDay / 60 % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    time.weekday = static_cast<int>((days + mondayOf1601) % 7);
    return time;
}
