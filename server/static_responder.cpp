#include "server/static_responder.h"

#include <cstdio>
#include <cstring>

#include "app/file_handle.h"
#include "server/http_text.h"
#include "server/request.h"
#include "server/request_path.h"

bool StaticResponder::serveGet(platform::SocketHandle& client, const char* header, int length) {
    request::RequestLine line;
    if (!request::readRequestLine(header, length, line)) return sendNotFound(client);
    if (const MemoryFile* carried = memoryFile(line.path)) return sendMemoryFile(client, *carried);
    TextBuffer name(255);
    FileHandle file;
    if (!requestFileName(line.path, name) || !file.openRead(name.text())) return sendNotFound(client);
    // The length header has 32 bits; a larger file cannot be described.
    int64_t size = file.seek(0, platform::SeekOrigin::end);
    if (size < 0 || size > INT64_C(0xFFFFFFFF) || file.seek(0, platform::SeekOrigin::begin) != 0)
        return sendNotFound(client);

    TextBuffer modified;
    httpDate(&file, modified);
    int since = request::find(header, 0, length, "If-Modified-Since:");
    if (since >= 0 && request::find(header, since, length, modified.text()) >= 0) {
        TextBuffer head("HTTP/1.1 304 Not Modified\r\nLast-Modified: ");
        head.append(modified.text());
        head.append("\r\n");
        return sender_.sendText(client, head.text()) == SendResult::sent;
    }

    TextBuffer now;
    TextBuffer type;
    httpDate(nullptr, now);
    contentTypeLine(name.text(), type);
    char lengthLine[40];
    std::snprintf(lengthLine, sizeof lengthLine, "Content-Length: %u\r\n", static_cast<unsigned>(size));
    TextBuffer head(longTextCapacity);
    head.assign("HTTP/1.1 200 OK\r\nMIME-Version: 1.0\r\nDate: ");
    head.append(now.text());
    head.append(type.text());
    head.append(lengthLine);
    head.append("Last-Modified: ");
    head.append(modified.text());
    head.append("\r\n");
    return sendFile(client, head, file, static_cast<uint32_t>(size));
}

bool StaticResponder::addMemoryFile(const MemoryFile& file) {
    if (memoryFileCount_ == memoryFileLimit) return false;
    memoryFiles_[memoryFileCount_++] = file;
    return true;
}

// The path up to a query part, exactly as the file was added.
const MemoryFile* StaticResponder::memoryFile(const char* path) const {
    size_t length = std::strcspn(path, "?");
    for (int i = 0; i < memoryFileCount_; ++i) {
        const char* candidate = memoryFiles_[i].path;
        if (std::strlen(candidate) == length && std::strncmp(candidate, path, length) == 0) return &memoryFiles_[i];
    }
    return nullptr;
}

// Always 200: the file changes only with the program, and no-cache makes the
// browser ask again after an update.
bool StaticResponder::sendMemoryFile(platform::SocketHandle& client, const MemoryFile& file) {
    TextBuffer now;
    httpDate(nullptr, now);
    char lines[160];
    std::snprintf(lines, sizeof lines, "Content-Type: %s\r\nContent-Length: %u\r\nCache-Control: no-cache\r\n\r\n",
                  file.contentType, static_cast<unsigned>(file.size));
    TextBuffer head(longTextCapacity);
    head.assign("HTTP/1.1 200 OK\r\nDate: ");
    head.append(now.text());
    head.append(lines);
    return sender_.sendText(client, head.text()) == SendResult::sent &&
           sender_.sendAll(client, file.data, file.size) == SendResult::sent;
}

// Made answers change with the folder they show, so the browser keeps none
// unless the handler says how long it may.
bool StaticResponder::sendMade(platform::SocketHandle& client, const GetResponse& response) {
    if (response.kind == GetResponse::Kind::seeOther) {
        TextBuffer head(response.location.length() + 128);
        head.assign("HTTP/1.1 303 See Other\r\nLocation: ");
        head.append(response.location.text());
        head.append("\r\nContent-Length: 0\r\nCache-Control: no-store\r\n\r\n");
        return sender_.sendText(client, head.text()) == SendResult::sent;
    }
    if (response.body.size() > UINT32_MAX) return sendNotFound(client);
    TextBuffer now;
    httpDate(nullptr, now);
    char keeping[48] = "no-store";
    if (response.maxAgeSeconds > 0)
        std::snprintf(keeping, sizeof keeping, "private, max-age=%u", response.maxAgeSeconds);
    char lines[256];
    std::snprintf(lines, sizeof lines,
                  "Content-Type: %s\r\nContent-Length: %u\r\nCache-Control: %s\r\n"
                  "X-Content-Type-Options: nosniff\r\n\r\n",
                  response.contentType, static_cast<unsigned>(response.body.size()), keeping);
    TextBuffer head(longTextCapacity);
    head.assign("HTTP/1.1 200 OK\r\nDate: ");
    head.append(now.text());
    head.append(lines);
    return sender_.sendText(client, head.text()) == SendResult::sent &&
           sender_.sendAll(client, response.body.data(), static_cast<uint32_t>(response.body.size())) ==
               SendResult::sent;
}

bool StaticResponder::sendNotFound(platform::SocketHandle& client) {
    return sender_.sendText(client,
                            "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot Found") ==
           SendResult::sent;
}

// The head goes out in one piece with the start of the file, so that a small
// answer is one segment on the wire.
bool StaticResponder::sendFile(platform::SocketHandle& client, const TextBuffer& head, FileHandle& file,
                               uint32_t size) {
    uint32_t used = static_cast<uint32_t>(head.length());
    std::memcpy(buffer_, head.text(), used);
    uint32_t left = size;
    for (;;) {
        uint32_t want = bufferSize_ - used < left ? bufferSize_ - used : left;
        if (want > 0 && file.read(buffer_ + used, want) != want) return false;
        used += want;
        left -= want;
        if (sender_.sendAll(client, buffer_, used) != SendResult::sent) return false;
        if (left == 0) return true;
        used = 0;
    }
}
