#include "app/file_handle.h"

#include <cstring>

#include "app/dbcs.h"

bool FileHandle::openRead(const char* path) {
    close();
    file_ = platform::openRead(path);
    return file_ != nullptr;
}

bool FileHandle::createWrite(const char* path) {
    close();
    file_ = platform::createWrite(path);
    return file_ != nullptr;
}

bool FileHandle::openAppend(const char* path) {
    close();
    file_ = platform::openAppend(path);
    return file_ != nullptr;
}

bool FileHandle::close() {
    if (!file_) return false;
    bool ok = platform::closeFile(file_);
    file_ = nullptr;
    return ok;
}

uint32_t FileHandle::read(void* buffer, uint32_t n) { return platform::readFile(file_, buffer, n); }

uint32_t FileHandle::write(const void* buffer, uint32_t n) { return platform::writeFile(file_, buffer, n); }

bool FileHandle::writeText(const char* text) {
    uint32_t n = static_cast<uint32_t>(std::strlen(text));
    return write(text, n) == n;
}

uint32_t FileHandle::size() { return static_cast<uint32_t>(platform::fileSize(file_)); }

bool FileHandle::times(platform::FileTime* created, platform::FileTime* accessed, platform::FileTime* written) {
    return platform::fileTimes(file_, created, accessed, written);
}

int64_t FileHandle::seek(int64_t distance, platform::SeekOrigin origin) {
    return platform::seekFile(file_, distance, origin);
}

int FileHandle::readLine(char* buffer, int max, bool dropNewline) {
    int count = 0;
    bool afterCr = false;  // the byte before was a CR of its own, not a trail byte
    while (count < max) {
        char c;
        if (read(&c, 1) != 1) break;
        buffer[count++] = c;
        if (dbcs::isLeadByte(static_cast<unsigned char>(c))) {
            if (count < max && read(&c, 1) == 1) buffer[count++] = c;
            afterCr = false;
            continue;
        }
        if (c == '\n' && afterCr) {
            buffer[count] = '\0';
            if (dropNewline) buffer[count - 2] = '\0';
            return count;
        }
        afterCr = c == '\r';
    }
    buffer[count] = '\0';
    return count;
}

bool FileFinder::first(const char* pattern) {
    close();
    search_ = platform::findFirst(pattern, entry_);
    return search_ != nullptr;
}

bool FileFinder::next() { return platform::findNext(search_, entry_); }

void FileFinder::close() {
    platform::findClose(search_);
    search_ = nullptr;
}

bool fileExists(const char* path) {
    FileFinder finder;
    return finder.first(path);
}

uint32_t fileSizeByName(const char* path) {
    FileFinder finder;
    return finder.first(path) ? static_cast<uint32_t>(finder.entry().size) : 0;
}

bool loadTextResource(int id, const char*& data, uint32_t& size) {
    size_t n = 0;
    if (!platform::textResource(id, data, n)) return false;
    size = static_cast<uint32_t>(n);
    return true;
}

void setFlag(uint16_t& flags, uint16_t mask, bool on) {
    flags = static_cast<uint16_t>(on ? flags | mask : flags & ~mask);
}
