// JPEG and GIF decoding for the picture loader: libjpeg and giflib stand in
// for the system's picture loader, with the same results: 24 bits at the
// picture's pixel size, transparent and uncovered parts white.
#include <gif_lib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>

#include "platform/picture.h"

namespace platform {
namespace {

// ---- JPEG ------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void leaveDecoder(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->escape, 1);
}

void ignoreMessage(j_common_ptr) {}

// Everything between setjmp and the end lives in libjpeg's own memory, so the
// jump skips no destructor.
bool decodeJpeg(const uint8_t* bytes, size_t size, PictureSink& sink) {
    if (size > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leaveDecoder;
    error.manager.output_message = ignoreMessage;
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(bytes), static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || info.output_width > 0x7FFFFFFF || info.output_height > 0x7FFFFFFF ||
        !sink.begin(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height), 24)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    JSAMPARRAY line = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * 3, 1);
    while (info.output_scanline < info.output_height) {
        const int32_t y = static_cast<int32_t>(info.output_scanline);
        if (jpeg_read_scanlines(&info, line, 1) != 1) break;
        uint8_t* to = sink.row(y);
        const uint8_t* from = line[0];
        for (JDIMENSION x = 0; x < info.output_width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// ---- GIF -------------------------------------------------------------------

struct MemoryInput {
    const uint8_t* bytes;
    size_t size;
    size_t at;
};

int readMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    size_t count = n < 0 ? 0 : static_cast<size_t>(n);
    if (count > input->size - input->at) count = input->size - input->at;
    std::memcpy(out, input->bytes + input->at, count);
    input->at += count;
    return static_cast<int>(count);
}

class GifReader {
public:
    ~GifReader() {
        int ignored;
        if (gif_) DGifCloseFile(gif_, &ignored);
    }
    bool open(MemoryInput& input) {
        int error;
        gif_ = DGifOpen(&input, readMemory, &error);
        return gif_ != nullptr;
    }

    // Reads up to the first image, noting the transparent index of its
    // graphic control extension, and paints that image onto a white screen.
    bool decode(PictureSink& sink) {
        // Every record read consumes at least one byte, so the loop ends; the
        // bound guards against a reader that could not.
        for (int records = 0; records < 1 << 20; ++records) {
            GifRecordType type;
            if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return false;
            if (type == TERMINATE_RECORD_TYPE) return false;
            if (type == EXTENSION_RECORD_TYPE && !readExtension()) return false;
            if (type == IMAGE_DESC_RECORD_TYPE) return readImage(sink);
        }
        return false;
    }

private:
    bool readExtension() {
        int code;
        GifByteType* data;
        if (DGifGetExtension(gif_, &code, &data) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && data && data[0] >= 4) {
            transparent_ = (data[1] & 1) ? data[4] : -1;
        }
        while (data) {
            if (DGifGetExtensionNext(gif_, &data) == GIF_ERROR) return false;
        }
        return true;
    }

    bool readImage(PictureSink& sink) {
        if (DGifGetImageDesc(gif_) == GIF_ERROR) return false;
        const GifImageDesc& d = gif_->Image;
        int screenWidth = gif_->SWidth > 0 ? gif_->SWidth : d.Width;
        int screenHeight = gif_->SHeight > 0 ? gif_->SHeight : d.Height;
        if (screenWidth <= 0 || screenHeight <= 0 || d.Width <= 0 || d.Height <= 0) return false;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif_->SColorMap;
        if (!sink.begin(screenWidth, screenHeight, 24)) return false;
        for (int y = 0; y < screenHeight; ++y) std::memset(sink.row(y), 255, static_cast<size_t>(screenWidth) * 3);
        std::unique_ptr<GifPixelType[]> line(new (std::nothrow) GifPixelType[static_cast<size_t>(d.Width)]);
        if (!line) return false;
        for (int i = 0; i < d.Height; ++i) {
            if (DGifGetLine(gif_, line.get(), d.Width) == GIF_ERROR) return false;
            const int y = d.Top + (d.Interlace ? interlacedRow(i, d.Height) : i);
            if (y >= screenHeight) continue;
            paintLine(sink.row(y), line.get(), d.Width, d.Left, screenWidth, map);
        }
        return true;
    }

    // The picture row of the i-th stored row of an interlaced image.
    static int interlacedRow(int i, int height) {
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            int rows = (height - start[pass] + step[pass] - 1) / step[pass];
            if (rows < 0) rows = 0;
            if (i < rows) return start[pass] + i * step[pass];
            i -= rows;
        }
        return height;
    }

    void paintLine(uint8_t* row, const GifPixelType* line, int length, int left, int screenWidth,
                   const ColorMapObject* map) const {
        for (int x = 0; x < length; ++x) {
            const int column = left + x;
            if (column >= screenWidth) break;
            const int index = line[x];
            if (index == transparent_) continue;
            uint8_t* p = row + static_cast<size_t>(column) * 3;
            if (map && index < map->ColorCount) {
                const GifColorType& c = map->Colors[index];
                p[0] = c.Blue;
                p[1] = c.Green;
                p[2] = c.Red;
            } else {
                p[0] = p[1] = p[2] = 0;
            }
        }
    }

    GifFileType* gif_ = nullptr;
    int transparent_ = -1;
};

bool decodeGif(const uint8_t* bytes, size_t size, PictureSink& sink) {
    MemoryInput input{bytes, size, 0};
    GifReader reader;
    return reader.open(input) && reader.decode(sink);
}

}  // namespace

bool decodePicture(const uint8_t* bytes, size_t size, PictureSink& sink) {
    if (!bytes || size < 4) return false;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) return decodeJpeg(bytes, size, sink);
    if (std::memcmp(bytes, "GIF", 3) == 0) return decodeGif(bytes, size, sink);
    return false;
}

}  // namespace platform
