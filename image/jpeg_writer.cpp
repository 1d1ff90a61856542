#include "image/jpeg_writer.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "app/file_handle.h"

namespace {

constexpr uint32_t outputBuffer = 65536;

// The library's error exits jump back to compress(); every object between
// that point and the jump is plain data, so no destructor is skipped.
struct ErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void leave(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->escape, 1); }

void silent(j_common_ptr) {}

// A destination that writes through our own file handle.
struct Destination {
    jpeg_destination_mgr manager;
    FileHandle* file;
    JOCTET buffer[outputBuffer];
};

Destination* destinationOf(j_compress_ptr info) { return reinterpret_cast<Destination*>(info->dest); }

void startOutput(j_compress_ptr info) {
    Destination* d = destinationOf(info);
    d->manager.next_output_byte = d->buffer;
    d->manager.free_in_buffer = outputBuffer;
}

boolean flushFull(j_compress_ptr info) {
    Destination* d = destinationOf(info);
    if (d->file->write(d->buffer, outputBuffer) != outputBuffer) ERREXIT(info, JERR_FILE_WRITE);
    startOutput(info);
    return TRUE;
}

void flushRest(j_compress_ptr info) {
    Destination* d = destinationOf(info);
    const uint32_t n = outputBuffer - static_cast<uint32_t>(d->manager.free_in_buffer);
    if (n && d->file->write(d->buffer, n) != n) ERREXIT(info, JERR_FILE_WRITE);
}

bool compress(const RasterImage& image, Destination& destination, uint8_t* row, int quality, bool progressive) {
    jpeg_compress_struct info;
    ErrorExit error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.output_message = silent;
    if (setjmp(error.escape)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.manager.init_destination = startOutput;
    destination.manager.empty_output_buffer = flushFull;
    destination.manager.term_destination = flushRest;
    info.dest = &destination.manager;
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[1] = {row};
    const int32_t width = image.width();
    while (info.next_scanline < info.image_height) {
        // The picture stores blue, green, red; the library takes red first.
        const uint8_t* from = image.pixelAddress(0, static_cast<int32_t>(info.next_scanline));
        uint8_t* to = row;
        for (int32_t x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool writeJpeg(const RasterImage& image, const char* path, int quality, bool progressive) {
    if (image.isEmpty() || image.bytesPerPixel() != 3) return false;
    FileHandle file;
    if (!file.createWrite(path)) return false;
    ByteBuffer row, state;
    bool ok = row.allocate(static_cast<size_t>(image.width()) * 3) && state.allocate(sizeof(Destination));
    if (ok) {
        auto* destination = reinterpret_cast<Destination*>(state.data());
        destination->file = &file;
        ok = compress(image, *destination, row.data(), quality, progressive);
    }
    ok = file.close() && ok;
    if (!ok) platform::deleteFile(path);
    return ok;
}
