// An open file, a folder search, and the file helpers built on them.
#pragma once

#include <cstdint>

#include "app/text_buffer.h"
#include "platform/platform.h"

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Each open closes a held file first; a failed open leaves the object closed.
    bool openRead(const char* path);
    bool createWrite(const char* path);
    bool openAppend(const char* path);
    // False when nothing was open.
    bool close();
    bool isOpen() const { return file_ != nullptr; }

    uint32_t read(void* buffer, uint32_t n);
    uint32_t write(const void* buffer, uint32_t n);
    bool writeByte(uint8_t b) { return write(&b, 1) == 1; }
    bool writeText(const char* text);

    // The low 32 bits of the size.
    uint32_t size();
    bool times(platform::FileTime* created, platform::FileTime* accessed, platform::FileTime* written);
    int64_t seek(int64_t distance, platform::SeekOrigin origin);
    int64_t tell() { return seek(0, platform::SeekOrigin::current); }

    // Reads up to max bytes, a lead byte always with its trail byte, ending at
    // the first CR LF. The buffer (max + 1 bytes) is terminated after the LF,
    // or at the CR when dropNewline. Returns the bytes consumed, 0 at the end.
    int readLine(char* buffer, int max, bool dropNewline);

private:
    platform::NativeFile* file_ = nullptr;
};

class FileFinder {
public:
    FileFinder() = default;
    ~FileFinder() { close(); }
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    bool first(const char* pattern);
    bool next();
    void close();
    void name(TextBuffer& out) const { out.assign(entry_.name); }
    const platform::FoundEntry& entry() const { return entry_; }

private:
    platform::NativeSearch* search_ = nullptr;
    platform::FoundEntry entry_{};
};

bool fileExists(const char* path);
// The low 32 bits of the size found by a folder search, 0 when not found.
uint32_t fileSizeByName(const char* path);
// The bytes of a "TEXT" resource of the program, or false when absent.
bool loadTextResource(int id, const char*& data, uint32_t& size);
void setFlag(uint16_t& flags, uint16_t mask, bool on);
