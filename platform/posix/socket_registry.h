// The readiness registrations of the native build, shared by the sockets and
// the poll loop. Like the Windows notifications, an event is delivered once
// and then waits until the socket is read or accepted from again, so a socket
// left unread does not keep the loop busy.
#pragma once

#include <vector>

namespace platform::posix {

struct Registration {
    int fd;
    unsigned message;
    long events;
    bool listening;  // readiness means a connection to accept
    bool armed;      // the next readiness is delivered  // the next readiness is delivered
};

// Adds or replaces the registration of fd, armed.
void registerSocket(int fd, unsigned message, long events, bool listening);
void unregisterSocket(int fd);
// Null when fd is not registered.
Registration* registrationOf(int fd);
// Called after every read and accept: the next readiness is delivered again.
void rearm(int fd);
std::vector<Registration>& registrations();

}  // namespace platform::posix
