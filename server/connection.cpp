#include "server/connection.h"

#include <cstring>

void Connection::start(platform::SocketHandle& accepted, uint32_t mark) {
    end();
    socket_.adopt(accepted.release());
    lastUse = mark;
}

void Connection::end() {
    socket_.close();
    state = State::idle;
    pendingBody = 0;
    bodyBroken = false;
    lastProgress = 0;
    answered = false;
    painterPost = false;
    headerLength_ = 0;
}

void Connection::received(int n, uint32_t mark) {
    headerLength_ += n;
    lastUse = mark;
}

void Connection::consume(int n) {
    if (n > headerLength_) n = headerLength_;
    std::memmove(header_, header_ + n, static_cast<size_t>(headerLength_ - n));
    headerLength_ -= n;
}
