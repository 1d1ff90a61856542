#include "server/sender.h"

#include <cstdio>
#include <cstring>

#include "app/warning.h"
#include "server/elapsed.h"

namespace {

constexpr uint32_t largestSend = 65536;

}  // namespace

SendResult Sender::sendAll(platform::SocketHandle& socket, const void* bytes, uint32_t n) {
    const char* next = static_cast<const char*>(bytes);
    platform::FileTime lastProgress = platform::currentTime();
    while (n > 0) {
        int piece = static_cast<int>(n < largestSend ? n : largestSend);
        int sent = socket.send(next, piece);
        if (sent > 0) {
            next += sent;
            n -= static_cast<uint32_t>(sent);
            lastProgress = platform::currentTime();
            continue;
        }
        int code = sent < 0 ? platform::SocketHandle::lastError() : platform::errorWouldBlock;
        if (code == platform::errorConnectionAborted || code == platform::errorConnectionReset)
            return SendResult::gone;
        if (code != platform::errorWouldBlock) {
            char text[32];
            std::snprintf(text, sizeof text, "error send %d", code);
            showWarning(owner_, text);
            return SendResult::failed;
        }
        platform::FileTime now = platform::currentTime();
        if (now < lastProgress) lastProgress = now;  // the clock was set back
        if (hasElapsed(lastProgress, now, stallLimitMilliseconds)) return SendResult::failed;
        platform::sleepMilliseconds(1);
    }
    return SendResult::sent;
}

SendResult Sender::sendText(platform::SocketHandle& socket, const char* text) {
    return sendAll(socket, text, static_cast<uint32_t>(std::strlen(text)));
}
