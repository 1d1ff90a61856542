// One client connection of the server and what it has sent so far.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/socket.h"
#include "server/request.h"

class Connection {
public:
    enum class State {
        idle,            // collecting the next request header
        answering,       // sending an answer; events wait until it is done
        receivingBody,   // the body of the submission goes to _post.dat
        discardingBody,  // a POST while another submission runs: read, dropped, refused
        saving,          // the submission is with the save flow
    };

    bool isOpen() const { return socket_.isOpen(); }
    // Takes over an accepted socket; mark orders connections by last use.
    void start(platform::SocketHandle& accepted, uint32_t mark);
    // Closes the socket and forgets all state.
    void end();
    platform::SocketHandle& socket() { return socket_; }
    bool owns(uintptr_t raw) const { return socket_.isOpen() && socket_.raw() == raw; }

    // May be closed to make room: waiting for a request, or collecting one.
    bool isIdle() const { return state == State::idle; }
    // Which idle connection goes first when room is needed: one that has had
    // its answers and waits (0), a new one that has sent nothing yet and is
    // most likely about to (1), one in the middle of a header (2).
    int evictionRank() const { return headerLength_ > 0 ? 2 : answered ? 0 : 1; }

    // The header bytes collected so far (not terminated).
    char* header() { return header_; }
    int headerLength() const { return headerLength_; }
    int room() const { return request::headerCapacity - headerLength_; }
    char* headerEnd() { return header_ + headerLength_; }
    void received(int n, uint32_t mark);
    // Drops the first n bytes: a request that has been handled.
    void consume(int n);

    State state = State::idle;
    uint32_t pendingBody = 0;  // body bytes still to come
    bool bodyBroken = false;   // _post.dat could not take the body
    platform::FileTime lastProgress = 0;  // when body bytes last came
    bool answered = false;     // at least one request was answered
    bool painterPost = false;  // the POST came from the HTML5 painter
    uint32_t lastUse = 0;

private:
    platform::SocketHandle socket_;
    char header_[request::headerCapacity + 1];
    int headerLength_ = 0;
};
