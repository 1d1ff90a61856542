#include "app/byte_buffer.h"

#include <cstdlib>

uint8_t* ByteBuffer::allocate(size_t n) {
    release();
    data_ = static_cast<uint8_t*>(std::calloc(n ? n : 1, 1));
    size_ = data_ ? n : 0;
    return data_;
}

bool ByteBuffer::resize(size_t n) {
    if (!data_) return false;
    auto* block = static_cast<uint8_t*>(std::realloc(data_, n ? n : 1));
    if (!block) return false;
    data_ = block;
    size_ = n;
    return true;
}

bool ByteBuffer::release() {
    if (!data_) return false;
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    return true;
}
