// Sending whole byte runs on a non-blocking connection.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/socket.h"

enum class SendResult {
    sent,    // every byte was taken
    gone,    // the peer ended the connection; nothing is shown
    failed,  // another send error (shown), or the peer took nothing for the stall limit
};

class Sender {
public:
    // A peer that takes no byte for this long ends the transfer.
    static constexpr uint32_t stallLimitMilliseconds = 10000;

    // The window that owns the "error send %d" message box.
    void setOwner(platform::WindowRef owner) { owner_ = owner; }

    // Sends all n bytes: a part taken sends the rest next; a send that would
    // block pauses 1 ms and tries again.
    SendResult sendAll(platform::SocketHandle& socket, const void* bytes, uint32_t n);
    SendResult sendText(platform::SocketHandle& socket, const char* text);

private:
    platform::WindowRef owner_ = nullptr;
};
