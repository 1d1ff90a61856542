// The readiness loop of the native build: poll over the registered sockets,
// each ready one delivered to the target as the Windows build would deliver
// its window message. SIGINT and SIGTERM stop the loop between events.
#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <vector>

#include "platform/posix/socket_registry.h"
#include "platform/socket.h"

namespace platform {
namespace {

volatile sig_atomic_t stopSignalled = 0;

void onStopSignal(int) { stopSignalled = 1; }

struct sigaction previousInterrupt;
struct sigaction previousTerminate;
sigset_t previousMask;
sigset_t waitMask;  // the previous mask with the two stop signals let through

// The event a readiness stands for, or 0 when none was asked for.
long eventFor(const posix::Registration& r) {
    long event = r.listening ? eventAccept : eventRead;
    return (r.events & event) ? event : 0;
}

}  // namespace

// The stop signals stay blocked except while waiting in ppoll, so a signal
// that arrives while an event is handled ends the next wait at once.
SocketEventLoop::SocketEventLoop(SocketEventTarget& target) : target_(target) {
    stopSignalled = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInterrupt);
    sigaction(SIGTERM, &action, &previousTerminate);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_BLOCK, &stops, &previousMask);
    waitMask = previousMask;
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
}

SocketEventLoop::~SocketEventLoop() {
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    sigaction(SIGINT, &previousInterrupt, nullptr);
    sigaction(SIGTERM, &previousTerminate, nullptr);
}

bool SocketEventLoop::isReady() const { return true; }

int SocketEventLoop::run() {
    while (runOnce(60000)) {
    }
    return 0;
}

bool SocketEventLoop::runOnce(unsigned timeoutMilliseconds) {
    if (stopSignalled) stopped_ = true;
    if (stopped_) return false;
    std::vector<pollfd> watched;
    for (const posix::Registration& r : posix::registrations()) {
        if (r.armed && eventFor(r)) watched.push_back({r.fd, POLLIN, 0});
    }
    timespec timeout{static_cast<time_t>(timeoutMilliseconds / 1000),
                     static_cast<long>(timeoutMilliseconds % 1000) * 1000000L};
    int ready = ppoll(watched.data(), watched.size(), &timeout, &waitMask);
    if (ready > 0) {
        for (const pollfd& p : watched) {
            if (!p.revents) continue;
            // An earlier handler of this round may have closed or replaced it.
            posix::Registration* r = posix::registrationOf(p.fd);
            if (!r || !r->armed) continue;
            r->armed = false;
            unsigned message = r->message;
            long event = eventFor(*r);
            target_.onSocketEvent(message, static_cast<uintptr_t>(p.fd), event);
        }
    }
    if (stopSignalled) stopped_ = true;
    return !stopped_;
}

void SocketEventLoop::stop() { stopped_ = true; }

}  // namespace platform
