#include "pages/gallery.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "app/civil_time.h"
#include "app/dbcs.h"
#include "app/file_handle.h"
#include "app/program_folder.h"
#include "image/header_probe.h"
#include "pages/drawing_page.h"

const char galleryPagePath[] = "/gallery.html";
const char galleryAddressFolder[] = "/_sketchhaven/gallery/";
const char galleryThumbnailPath[] = "/_sketchhaven/gallery/thumb";
const char galleryPicturePath[] = "/_sketchhaven/gallery/picture";
const char galleryTimelapsePath[] = "/_sketchhaven/gallery/timelapse";
const char galleryContinuePath[] = "/_sketchhaven/gallery/continue";
const char galleryPlayPath[] = "/_sketchhaven/gallery/play";

namespace {

const char* const pictureExtensions[] = {"png", "jpg", "gif", "bmp"};
const char thumbnailPrefix[] = "s_";
const char timelapseEnding[] = "_timelapse";
constexpr uint64_t bytesPerKilobyte = 1024;

// The head and look of every gallery page; the page's own body follows.
const char pageHead[] =
    "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"Shift_JIS\">\r\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
    "<title>ギャラリー - Sketchhaven</title>\r\n<style>\r\n"
    "body{margin:0;padding:16px 20px;background:#f3f5f7;color:#1d2733;font:14px/1.5 sans-serif}\r\n"
    "h1{margin:0 0 4px;font-size:20px}\r\n"
    ".folder{margin:0 0 12px;color:#5a6675;font-size:12px;word-break:break-all}\r\n"
    ".pages{margin:12px 0;display:flex;gap:16px;align-items:center}\r\n"
    ".pictures{list-style:none;margin:0;padding:0;display:grid;"
    "grid-template-columns:repeat(auto-fill,minmax(184px,1fr));gap:12px}\r\n"
    ".picture{background:#fff;border:1px solid #d5dbe2;border-radius:6px;padding:10px;"
    "display:flex;flex-direction:column;gap:4px}\r\n"
    ".thumb{height:160px;display:flex;align-items:center;justify-content:center;background:#eef1f4}\r\n"
    ".thumb img{max-width:100%;max-height:160px}\r\n"
    ".name{font-weight:bold;word-break:break-all}\r\n"
    ".facts{color:#5a6675;font-size:12px}\r\n"
    ".timelapse{color:#1d4f85}\r\n"
    ".actions{display:flex;gap:6px;margin-top:auto;padding-top:4px}\r\n"
    ".actions a,.actions span{flex:1;text-align:center;padding:5px 0;border-radius:4px;text-decoration:none}\r\n"
    ".continue{background:#2f6fb2;color:#fff}\r\n"
    ".play{background:#e1e9f2;color:#1d4f85}\r\n"
    ".play.off{background:#eef1f4;color:#9aa4af}\r\n"
    ".empty,.message{padding:24px 0;color:#5a6675}\r\n"
    "</style>\r\n</head>\r\n<body>\r\n<h1>ギャラリー</h1>\r\n";
const char pageEnd[] = "</body>\r\n</html>\r\n";

// Whether text ends in ending, letters in any case, the ending starting a
// character (not the trail byte of one).
bool endsWithNoCase(const char* text, const char* ending) {
    int length = static_cast<int>(std::strlen(text));
    int start = length - static_cast<int>(std::strlen(ending));
    if (start < 0) return false;
    int i = 0;
    while (i < start) i = dbcs::nextIndex(text, i);
    return i == start && TextBuffer(text + start).compareNoCase(ending) == 0;
}

bool startsWithNoCase(const char* text, const char* start) {
    TextBuffer head;
    TextBuffer(text).substring(head, 0, static_cast<int>(std::strlen(start)));
    return head.compareNoCase(start) == 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes value[0, length) into out; false for a broken escape or a NUL.
bool percentDecode(const char* value, int length, TextBuffer& out) {
    out.grow(length);
    char* to = out.data();
    int n = 0;
    for (int i = 0; i < length; ++i) {
        int byte = static_cast<unsigned char>(value[i]);
        if (value[i] == '+') {
            byte = ' ';
        } else if (value[i] == '%') {
            int high = i + 2 < length ? hexValue(value[i + 1]) : -1;
            int low = high >= 0 ? hexValue(value[i + 2]) : -1;
            if (low < 0) return false;
            byte = high * 16 + low;
            i += 2;
        }
        if (byte == 0) return false;
        to[n++] = static_cast<char>(byte);
    }
    to[n] = '\0';
    return true;
}

enum class QueryField { absent, once, repeated };

// The value of the query's field key ("key=value" parts between "&"), as
// [start, start + length).
QueryField queryField(const char* query, const char* key, int& start, int& length) {
    QueryField found = QueryField::absent;
    int keyLength = static_cast<int>(std::strlen(key));
    int total = static_cast<int>(std::strlen(query));
    for (int at = 0; at <= total;) {
        int end = at;
        while (end < total && query[end] != '&') ++end;
        if (end - at > keyLength && std::strncmp(query + at, key, static_cast<size_t>(keyLength)) == 0 &&
            query[at + keyLength] == '=') {
            if (found == QueryField::once) return QueryField::repeated;
            found = QueryField::once;
            start = at + keyLength + 1;
            length = end - start;
        }
        at = end + 1;
    }
    return found;
}

// text with & < > " ' as character references; the double-byte characters
// need no care, since no trail byte is below 0x40.
void appendEscaped(const char* text, std::string& out) {
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += *p; break;
        }
    }
}

void appendFormatted(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendFormatted(std::string& out, const char* format, ...) {
    char text[128];
    va_list arguments;
    va_start(arguments, format);
    int n = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (n > 0) out.append(text, static_cast<size_t>(n) < sizeof text ? static_cast<size_t>(n) : sizeof text - 1);
}

// An address of the gallery with the picture's name, as an attribute value.
void appendPictureAddress(const char* path, const GalleryPicture& picture, std::string& out) {
    out += path;
    out += "?f=";
    appendPercentEncoded(picture.name, out);
}

// "2026-03-01T12:34:56Z" for the machine, and the time of day here for the reader.
void appendTime(platform::FileTime written, std::string& out) {
    CivilTime utc = civilTimeOf(written);
    CivilTime local = civilTimeOf(platform::localTime(written));
    appendFormatted(out, "<time datetime=\"%04lld-%02d-%02dT%02d:%02d:%02dZ\">%04lld/%02d/%02d %02d:%02d</time>",
                    static_cast<long long>(utc.year), utc.month, utc.day, utc.hour, utc.minute, utc.second,
                    static_cast<long long>(local.year), local.month, local.day, local.hour, local.minute);
}

void appendFileSize(uint64_t size, std::string& out) {
    const double kilobytes = static_cast<double>(size) / bytesPerKilobyte;
    if (kilobytes < bytesPerKilobyte)
        appendFormatted(out, "%.1f KB", kilobytes);
    else
        appendFormatted(out, "%.2f MB", kilobytes / bytesPerKilobyte);
}

void appendPicture(const char* folder, const GalleryPicture& picture, std::string& out) {
    TextBuffer path;
    folderFile(folder, picture.name, path);
    TextBuffer companion;
    bool recorded = galleryRecordOf(folder, picture.name, companion);
    out += "<li class=\"picture\" data-name=\"";
    appendEscaped(picture.name, out);
    appendFormatted(out, "\" data-bytes=\"%llu\">\r\n<a class=\"thumb\" href=\"",
                    static_cast<unsigned long long>(picture.size));
    appendPictureAddress(galleryPicturePath, picture, out);
    out += "\"><img src=\"";
    // The time in the address lets the browser keep a thumbnail until the picture changes.
    appendPictureAddress(galleryThumbnailPath, picture, out);
    appendFormatted(out, "&amp;v=%llu\" alt=\"\" loading=\"lazy\"></a>\r\n<div class=\"name\">",
                    static_cast<unsigned long long>(picture.written));
    appendEscaped(picture.name, out);
    out += "</div>\r\n<div class=\"facts\">";
    int32_t width = 0, height = 0;
    if (probeImageSize(path.text(), width, height) && width > 0 && height > 0)
        appendFormatted(out, "<span class=\"dimensions\">%d × %d</span> ・ ", width, height);
    out += "<span class=\"size\">";
    appendFileSize(picture.size, out);
    out += "</span><br>";
    appendTime(picture.written, out);
    if (galleryTimelapseOf(folder, picture.name, companion)) {
        out += "<br><a class=\"timelapse\" href=\"";
        appendPictureAddress(galleryTimelapsePath, picture, out);
        out += "\">タイムラプス</a>";
    }
    out += "</div>\r\n<div class=\"actions\"><a class=\"continue\" href=\"";
    appendPictureAddress(galleryContinuePath, picture, out);
    out += "\">続きから描く</a>";
    if (recorded) {
        out += "<a class=\"play\" href=\"";
        appendPictureAddress(galleryPlayPath, picture, out);
        out += "\">再生</a>";
    } else {
        out += "<span class=\"play off\" title=\"アニメーションの記録がありません\">再生</span>";
    }
    out += "</div>\r\n</li>\r\n";
}

void appendPageLinks(const GalleryPaging& paging, std::string& out) {
    if (paging.pageCount == 1) return;
    out += "<nav class=\"pages\">";
    if (paging.page > 1)
        appendFormatted(out, "<a rel=\"prev\" href=\"%s?page=%d\">前のページ</a>", galleryPagePath, paging.page - 1);
    appendFormatted(out, "<span class=\"page\">%d / %d ページ</span>", paging.page, paging.pageCount);
    if (paging.page < paging.pageCount)
        appendFormatted(out, "<a rel=\"next\" href=\"%s?page=%d\">次のページ</a>", galleryPagePath, paging.page + 1);
    out += "</nav>\r\n";
}

bool newerFirst(const GalleryPicture& a, const GalleryPicture& b) {
    if (a.written != b.written) return a.written > b.written;
    return std::strcmp(a.name, b.name) < 0;
}

// The file of this name in folder, exactly so or (anyCase) in any letter
// case: a folder search may also match a short name or another case.
bool findFile(const char* folder, const char* name, bool anyCase, platform::FoundEntry& entry) {
    TextBuffer pattern;
    folderFile(folder, name, pattern);
    FileFinder finder;
    bool more = finder.first(pattern.text());
    for (int i = 0; more && i < galleryScanLimit; ++i, more = finder.next()) {
        const platform::FoundEntry& found = finder.entry();
        bool same = anyCase ? TextBuffer(found.name).compareNoCase(name) == 0 : std::strcmp(found.name, name) == 0;
        if (!found.isFolder && same) {
            entry = found;
            return true;
        }
    }
    return false;
}

}  // namespace

void galleryPageAddress(uint16_t port, TextBuffer& out) { localPageAddress(port, galleryPagePath + 1, out); }

bool isPlainFileName(const char* name) {
    int length = static_cast<int>(std::strlen(name));
    if (length == 0 || length > galleryNameLimit || name[0] == '.') return false;
    int last = 0;
    for (int i = 0; i < length; i = dbcs::nextIndex(name, i)) {
        last = i;
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (dbcs::isLeadByte(c)) {
            if (i + 1 >= length) return false;  // a lead byte without its trail byte
            continue;
        }
        if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c)) return false;
    }
    return name[last] != '.' && name[last] != ' ';
}

bool isGalleryPicture(const char* name) {
    if (!isPlainFileName(name) || startsWithNoCase(name, thumbnailPrefix)) return false;
    TextBuffer text(name);
    TextBuffer extension;
    text.extension(extension);
    bool picture = false;
    for (const char* wanted : pictureExtensions) picture = picture || extension.compareNoCase(wanted) == 0;
    if (!picture) return false;
    TextBuffer base;
    text.baseName(base);
    return !endsWithNoCase(base.text(), timelapseEnding);
}

bool galleryNameFromQuery(const char* query, TextBuffer& name) {
    int start = 0, length = 0;
    if (queryField(query, "f", start, length) != QueryField::once) return false;
    return percentDecode(query + start, length, name) && isGalleryPicture(name.text());
}

int galleryPageFromQuery(const char* query) {
    int start = 0, length = 0;
    if (queryField(query, "page", start, length) != QueryField::once || length == 0) return 1;
    int page = 0;
    for (int i = start; i < start + length; ++i) {
        if (query[i] < '0' || query[i] > '9') return 1;
        if (page > galleryScanLimit) continue;  // past every page there can be: the last one
        page = page * 10 + (query[i] - '0');
    }
    return page > 0 ? page : 1;
}

GalleryPaging galleryPaging(int pictureCount, int requestedPage) {
    GalleryPaging paging;
    paging.pageCount = pictureCount > 0 ? (pictureCount + galleryPageSize - 1) / galleryPageSize : 1;
    paging.page = std::min(std::max(requestedPage, 1), paging.pageCount);
    paging.first = (paging.page - 1) * galleryPageSize;
    paging.count = std::max(0, std::min(galleryPageSize, pictureCount - paging.first));
    return paging;
}

void appendPercentEncoded(const char* text, std::string& out) {
    static const char digits[] = "0123456789ABCDEF";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        unsigned char c = *p;
        bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("-._~", c);
        if (kept) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
}

void listGallery(const char* folder, std::vector<GalleryPicture>& pictures) {
    pictures.clear();
    TextBuffer pattern;
    folderFile(folder, "*", pattern);
    FileFinder finder;
    bool more = finder.first(pattern.text());
    for (int i = 0; more && i < galleryScanLimit; ++i, more = finder.next()) {
        const platform::FoundEntry& entry = finder.entry();
        if (entry.isFolder || !isGalleryPicture(entry.name)) continue;
        GalleryPicture picture{};
        std::memcpy(picture.name, entry.name, std::strlen(entry.name) + 1);
        picture.size = entry.size;
        picture.written = entry.written;
        pictures.push_back(picture);
    }
    std::sort(pictures.begin(), pictures.end(), newerFirst);
}

bool findGalleryPicture(const char* folder, const char* name, GalleryPicture& picture) {
    platform::FoundEntry entry;
    if (!isGalleryPicture(name) || !findFile(folder, name, false, entry)) return false;
    std::memcpy(picture.name, entry.name, std::strlen(entry.name) + 1);
    picture.size = entry.size;
    picture.written = entry.written;
    return true;
}

namespace {

// The first of NAME and each ending that is a file of folder, NAME being
// prefix and name without its extension.
bool findCompanion(const char* folder, const char* prefix, const char* name,
                   std::initializer_list<const char*> endings, TextBuffer& path) {
    TextBuffer base;
    TextBuffer(name).baseName(base);
    for (const char* ending : endings) {
        TextBuffer companion(prefix);
        companion.append(base.text());
        companion.append(ending);
        platform::FoundEntry entry;
        if (findFile(folder, companion.text(), true, entry)) {
            folderFile(folder, entry.name, path);
            return true;
        }
    }
    return false;
}

}  // namespace

bool galleryRecordOf(const char* folder, const char* name, TextBuffer& path) {
    return findCompanion(folder, "", name, {".pch", ".spch"}, path);
}

bool gallerySavedThumbnailOf(const char* folder, const char* name, TextBuffer& path) {
    return findCompanion(folder, thumbnailPrefix, name, {".png", ".jpg", ".bmp"}, path);
}

bool galleryTimelapseOf(const char* folder, const char* name, TextBuffer& path) {
    return findCompanion(folder, "", name, {"_timelapse.gif", "_timelapse.png"}, path);
}

const char* galleryContentType(const char* name) {
    static const char* const types[] = {"image/png", "image/jpeg", "image/gif", "image/bmp"};
    for (size_t i = 0; i < std::size(pictureExtensions); ++i) {
        TextBuffer ending(".");
        ending.append(pictureExtensions[i]);
        if (endsWithNoCase(name, ending.text())) return types[i];
    }
    return nullptr;
}

bool readGalleryFile(const char* path, uint32_t limit, std::string& bytes) {
    FileHandle file;
    if (!file.openRead(path)) return false;
    int64_t size = file.seek(0, platform::SeekOrigin::end);
    if (size <= 0 || size > limit || file.seek(0, platform::SeekOrigin::begin) != 0) return false;
    bytes.resize(static_cast<size_t>(size));
    return file.read(&bytes[0], static_cast<uint32_t>(size)) == static_cast<uint32_t>(size);
}

void writeGalleryPage(const char* folder, const std::vector<GalleryPicture>& pictures, int requestedPage,
                      std::string& html) {
    GalleryPaging paging = galleryPaging(static_cast<int>(pictures.size()), requestedPage);
    html.assign(pageHead);
    html += "<p class=\"folder\">保存先：";
    appendEscaped(folder, html);
    appendFormatted(html, "（%u枚）</p>\r\n", static_cast<unsigned>(pictures.size()));
    if (pictures.empty()) {
        html += "<p class=\"empty\">保存された絵はまだありません。</p>\r\n";
        html += pageEnd;
        return;
    }
    appendPageLinks(paging, html);
    html += "<ul class=\"pictures\">\r\n";
    for (int i = paging.first; i < paging.first + paging.count; ++i) appendPicture(folder, pictures[i], html);
    html += "</ul>\r\n";
    appendPageLinks(paging, html);
    html += pageEnd;
}

void writeGalleryMessage(const char* message, std::string& html) {
    html.assign(pageHead);
    html += "<p class=\"message\">";
    TextBuffer text(message);
    // A line break is 0x0A, below every trail byte: each one ends a line.
    text.replaceAll('\r', ' ');
    char* line = text.data();
    for (int i = 0; i < galleryScanLimit; ++i) {
        char* end = std::strchr(line, '\n');
        if (end) *end = '\0';
        appendEscaped(line, html);
        if (!end) break;
        html += "<br>";
        line = end + 1;
    }
    appendFormatted(html, "</p>\r\n<p><a href=\"%s\">ギャラリーに戻る</a></p>\r\n", galleryPagePath);
    html += pageEnd;
}
