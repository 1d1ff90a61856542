#include "image/png_chunks.h"

#include <cstring>
#include <memory>

#include "image/checked_size.h"

namespace {

constexpr uint32_t chunkHead = 8;  // length and type
constexpr uint32_t crcLength = 4;

}  // namespace

bool deflatedChunk(const char* type, const uint8_t* prefix, uint32_t prefixLength, const uint8_t* data, uint32_t total,
                   int level, ByteBuffer& chunk, uint32_t& n) {
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    if (!compressor.get()) return false;
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), total);
    uint32_t around;
    if (!addChecked(chunkHead + crcLength, prefixLength, around) || bound > UINT32_MAX - around ||
        !chunk.allocate(static_cast<uint32_t>(bound) + around))
        return false;
    uint8_t* const head = chunk.data();
    const uint32_t streamAt = chunkHead + prefixLength;
    const size_t length = libdeflate_zlib_compress(compressor.get(), data, total, head + streamAt, bound);
    if (length == 0) return false;
    uint8_t* at = head;
    bytes::putBig32(at, prefixLength + static_cast<uint32_t>(length));
    std::memcpy(head + 4, type, 4);
    if (prefixLength) std::memcpy(head + chunkHead, prefix, prefixLength);
    n = streamAt + static_cast<uint32_t>(length);
    at = head + n;
    bytes::putBig32(at, libdeflate_crc32(0, head + 4, 4 + prefixLength + length));
    n += crcLength;
    return true;
}
