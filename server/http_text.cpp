#include "server/http_text.h"

#include <cstdio>

namespace {

constexpr uint64_t ticksPerSecond = 10000000;
constexpr int64_t secondsPerDay = 86400;
constexpr int64_t days1601To1970 = 134774;
constexpr int mondayOf1601 = 1;  // 1601-01-01 was a Monday; Sunday is 0

struct CivilDate {
    int64_t year;
    int month;  // 1 to 12
    int day;    // 1 to 31
};

// The proleptic Gregorian date of a day counted from 1970-01-01, by whole
// 400-year eras that begin on 1 March, so that the leap day ends each year.
CivilDate civilFromDays(int64_t days) {
    days += 719468;  // from 0000-03-01
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

}  // namespace

void formatHttpDate(platform::FileTime ticks, TextBuffer& out) {
    static const char* const dayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int64_t seconds = static_cast<int64_t>(ticks / ticksPerSecond);
    int64_t days = seconds / secondsPerDay;
    int64_t secondOfDay = seconds % secondsPerDay;
    CivilDate date = civilFromDays(days - days1601To1970);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04lld %02d:%02d:%02d GMT\r\n",
                  dayNames[(days + mondayOf1601) % 7], date.day, monthNames[date.month - 1],
                  static_cast<long long>(date.year), static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    out.assign(text);
}

void httpDate(FileHandle* file, TextBuffer& out) {
    platform::FileTime written;
    if (!file || !file->times(nullptr, nullptr, &written)) written = platform::currentTime();
    formatHttpDate(written, out);
}

void contentTypeLine(const char* path, TextBuffer& out) {
    struct Type {
        const char* extension;
        const char* type;
    };
    static const Type types[] = {
        {"html", "text/html"}, {"jar", "application/java-archive"}, {"js", "application/x-javascript"},
        {"zip", "application/zip"}, {"txt", "text/plain"}, {"png", "image/png"},
        {"jpg", "image/jpeg"}, {"gif", "image/gif"}, {"bmp", "image/bmp"}, {"css", "text/css"},
    };
    TextBuffer extension;
    TextBuffer(path).extension(extension);  // empty without a "."
    const char* type = "application/octet-stream";
    for (const Type& t : types) {
        if (extension.compareNoCase(t.extension) == 0) type = t.type;
    }
    out.assign("Content-Type: ");
    out.append(type);
    out.append("\r\n");
}
