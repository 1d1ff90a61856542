// A raw heap block that frees itself.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { release(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Frees any old block, allocates n zero-filled bytes; null on failure.
    uint8_t* allocate(size_t n);
    // Keeps the old block when reallocation fails; nothing without a block.
    bool resize(size_t n);
    // False when there was no block.
    bool release();

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return data_ == nullptr; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
