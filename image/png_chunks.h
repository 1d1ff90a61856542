// PNG chunks as the writers put them down: the signature and end chunk, a
// chunk writer (to a file or memory) that stays failed after a failed write, and one chunk of
// deflated data made whole in memory.
#pragma once

#include <libdeflate.h>

#include <cstdint>
#include <string>

#include "app/byte_buffer.h"
#include "app/file_handle.h"
#include "platform/byte_order.h"

constexpr uint8_t pngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t pngEndChunk[12] = {0, 0, 0, 0, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// Writes the chunks of one file, or appends them to a PNG held in memory;
// any failed write makes it fail for good.
class PngFile {
public:
    explicit PngFile(FileHandle& file) : file_(&file) {}
    explicit PngFile(std::string& memory) : memory_(&memory) {}
    bool ok() const { return ok_; }

    void write(const void* data, uint32_t n) {
        if (!ok_) return;
        if (memory_)
            memory_->append(static_cast<const char*>(data), n);
        else
            ok_ = file_->write(data, n) == n;
    }
    void writeBigEndian32(uint32_t v) {
        uint8_t b[4];
        uint8_t* at = b;
        bytes::putBig32(at, v);
        write(b, 4);
    }
    void chunk(const char* type, const uint8_t* data, uint32_t n) {
        uint32_t crc = libdeflate_crc32(0, type, 4);
        if (n) crc = libdeflate_crc32(crc, data, n);
        writeBigEndian32(n);
        write(type, 4);
        if (n) write(data, n);
        writeBigEndian32(crc);
    }

private:
    FileHandle* file_ = nullptr;
    std::string* memory_ = nullptr;
    bool ok_ = true;
};

// A chunk of type whose data are the prefixLength bytes of prefix (fdAT's
// sequence number; none for IDAT) and then the zlib stream of the total bytes
// of data compressed in one piece at libdeflate's level: its length, type,
// data and CRC side by side in chunk, n bytes in all. False when a buffer
// cannot be had or the level is not libdeflate's.
bool deflatedChunk(const char* type, const uint8_t* prefix, uint32_t prefixLength, const uint8_t* data, uint32_t total,
                   int level, ByteBuffer& chunk, uint32_t& n);
