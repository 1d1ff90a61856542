#include "image/jpeg_writer.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "app/file_handle.h"

// The rows go to the library as they are stored, blue first, through the
// extended colour spaces of libjpeg-turbo (the library of both builds).
#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo with JCS_EXT_BGR is required"
#endif

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

// The rows are handed over top first, which in a picture stored bottom-up is
// falling memory order, where the processor's own prefetching starts late on
// every row: the next row is asked for while the library works on this one.
void prefetchRow(const uint8_t* row, size_t n) {
    constexpr size_t cacheLine = 64;
    for (size_t i = 0; i < n; i += cacheLine) __builtin_prefetch(row + i);
}

bool compress(const RasterImage& image, Destination& destination, int quality, bool progressive) {
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
    // Blue, green, red input: the same conversion to YCbCr as from RGB, so the
    // file is byte for byte what an RGB row would give.
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = static_cast<size_t>(image.width()) * 3;
    while (info.next_scanline < info.image_height) {
        const int32_t y = static_cast<int32_t>(info.next_scanline);
        if (y + 1 < image.height()) prefetchRow(image.pixelAddress(0, y + 1), rowBytes);
        JSAMPROW row = const_cast<JSAMPROW>(image.pixelAddress(0, y));
        jpeg_write_scanlines(&info, &row, 1);
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
    ByteBuffer state;
    bool ok = state.allocate(sizeof(Destination)) != nullptr;
    if (ok) {
        auto* destination = reinterpret_cast<Destination*>(state.data());
        destination->file = &file;
        ok = compress(image, *destination, quality, progressive);
    }
    ok = file.close() && ok;
    if (!ok) platform::deleteFile(path);
    return ok;
}
