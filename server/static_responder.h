// Answers GET requests from the files of the current folder: 200 with the
// file, 304 when the client holds the same version, 404 otherwise. A few
// files the program carries are answered from memory at their own paths,
// ahead of the folder. It also sends the answers a GetHandler makes.
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/text_buffer.h"
#include "platform/socket.h"
#include "server/get_handler.h"
#include "server/sender.h"

// A file answered from memory. path is the whole request path ("/" and the
// name); data lives as long as the responder.
struct MemoryFile {
    const char* path;
    const char* contentType;
    const char* data;
    uint32_t size;
};

class StaticResponder {
public:
    static constexpr int memoryFileLimit = 4;

    // Files are streamed through buffer (bufferSize bytes, at least 512).
    StaticResponder(Sender& sender, uint8_t* buffer, uint32_t bufferSize)
        : sender_(sender), buffer_(buffer), bufferSize_(bufferSize) {}

    // Answers the GET request whose whole header is header[0, length). True
    // when the connection can take its next request; false when the answer
    // was cut short (the peer left, stalled or failed, or the file shrank).
    bool serveGet(platform::SocketHandle& client, const char* header, int length);
    // Answers path from file from now on; false when the table is full.
    bool addMemoryFile(const MemoryFile& file);
    // Send an answer made by a GetHandler, and the 404 answer; each true
    // when the connection can take its next request.
    bool sendMade(platform::SocketHandle& client, const GetResponse& response);
    bool sendNotFound(platform::SocketHandle& client);

private:
    const MemoryFile* memoryFile(const char* path) const;
    bool sendMemoryFile(platform::SocketHandle& client, const MemoryFile& file);
    // The head, then size bytes of file, in pieces of the buffer.
    bool sendFile(platform::SocketHandle& client, const TextBuffer& head, FileHandle& file, uint32_t size);

    Sender& sender_;
    uint8_t* buffer_;
    uint32_t bufferSize_;
    MemoryFile memoryFiles_[memoryFileLimit] = {};
    int memoryFileCount_ = 0;
};
