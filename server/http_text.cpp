#include "server/http_text.h"

#include <cstdio>

#include "app/civil_time.h"

void formatHttpDate(platform::FileTime ticks, TextBuffer& out) {
    static const char* const dayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CivilTime time = civilTimeOf(ticks);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04lld %02d:%02d:%02d GMT\r\n", dayNames[time.weekday], time.day,
                  monthNames[time.month - 1], static_cast<long long>(time.year), time.hour, time.minute, time.second);
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
