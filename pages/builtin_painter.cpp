#include "pages/builtin_painter.h"

#include <cstring>

#include "pages/page_params.h"
#include "platform/byte_order.h"

const char* const builtInPainterPath = "/_sketchhaven/painter.js";

namespace {

constexpr char recordMagic[] = "SKHV";
constexpr uint32_t recordMagicSize = 4;
constexpr uint32_t recordHeaderSize = 11;  // magic, version, width, height, layers
constexpr uint32_t recordVersion = 1;
constexpr uint32_t largestSide = 2000;
constexpr uint32_t largestLayerCount = 8;

}  // namespace

void writeBuiltInPainterLink(FileHandle& file) {
    file.writeText("<script type=\"text/javascript\" src=\"");
    file.writeText(builtInPainterPath + 1);  // relative to the page, as the other files
    file.writeText("\" charset=\"UTF-8\"></script>\r\n");
}

void writeTimelapseParams(FileHandle& file, const TimelapseAsk& ask) {
    writeParam(file, "timelapse_frames", ask.frames);
    writeParam(file, "timelapse_size", ask.size);
}

bool readBuiltInRecordHeader(const char* path, BuiltInRecordHeader& header) {
    unsigned char bytes[recordHeaderSize];
    FileHandle file;
    if (!file.openRead(path) || file.read(bytes, recordHeaderSize) != recordHeaderSize ||
        std::memcmp(bytes, recordMagic, recordMagicSize) != 0 || bytes::little16(bytes + 4) != recordVersion)
        return false;
    uint32_t width = bytes::little16(bytes + 6);
    uint32_t height = bytes::little16(bytes + 8);
    uint32_t layers = bytes[10];
    if (width < 1 || width > largestSide || height < 1 || height > largestSide || layers < 1 ||
        layers > largestLayerCount)
        return false;
    header = {width, height, layers};
    return true;
}

bool isBuiltInRecord(const char* path) {
    BuiltInRecordHeader header;
    return readBuiltInRecordHeader(path, header);
}
