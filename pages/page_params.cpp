#include "pages/page_params.h"

#include <cstdio>
#include <cstring>

bool writeParam(FileHandle& file, const char* name, const char* value) {
    bool ok = file.writeText("<param name=\"");
    ok = file.writeText(name) && ok;
    ok = file.writeText("\" value=\"") && ok;
    ok = file.writeText(value) && ok;
    return file.writeText("\">\r\n") && ok;
}

bool writeParam(FileHandle& file, const char* name, int64_t value) {
    char number[24];
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value));
    return writeParam(file, name, number);
}

void htmlColour(int32_t colour, TextBuffer& out) {
    uint32_t bits = static_cast<uint32_t>(colour);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bits & 0xFFu, (bits >> 8) & 0xFFu, (bits >> 16) & 0xFFu);
    out.assign(text);
}

void writeTextResource(FileHandle& file, int id, const char* omitted) {
    const char* data = nullptr;
    uint32_t size = 0;
    if (!loadTextResource(id, data, size)) return;
    const void* end = std::memchr(data, '\0', size);
    uint32_t length = end ? static_cast<uint32_t>(static_cast<const char*>(end) - data) : size;
    const char* cut = omitted ? std::strstr(data, omitted) : nullptr;
    if (!end || !cut) {
        file.write(data, length);
        return;
    }
    uint32_t before = static_cast<uint32_t>(cut - data);
    uint32_t after = before + static_cast<uint32_t>(std::strlen(omitted));
    file.write(data, before);
    file.write(data + after, length - after);
}
