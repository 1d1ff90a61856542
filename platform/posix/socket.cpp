// Sockets on POSIX systems, with error codes in the Windows numbering.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/socket_registry.h"
#include "platform/socket.h"

namespace platform {
namespace {

thread_local int lastSocketError = 0;

// The Windows code of an errno value; values without one pass unchanged.
int windowsCode(int error) {
    switch (error) {
    case EAGAIN: return errorWouldBlock;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case ENOTSOCK: return 10038;
    case EMSGSIZE: return 10040;
    case EAFNOSUPPORT: return errorFamilyNotSupported;
    case EADDRINUSE: return errorAddressInUse;
    case EADDRNOTAVAIL: return errorAddressNotAvailable;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ECONNABORTED: return errorConnectionAborted;
    case EPIPE: return errorConnectionAborted;  // sending after the connection ended
    case ECONNRESET: return errorConnectionReset;
    case ENOBUFS: return 10055;
    case ENOTCONN: return 10057;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    default: return error;
    }
}

// Records the error of the call that just failed.
void recordError() { lastSocketError = windowsCode(errno); }

int fdOf(RawSocket socket) { return static_cast<int>(socket); }

int systemFamily(int family) { return family == familyIPv6 ? AF_INET6 : family == familyIPv4 ? AF_INET : -1; }

}  // namespace

namespace posix {

std::vector<Registration>& registrations() {
    static std::vector<Registration> all;
    return all;
}

Registration* registrationOf(int fd) {
    for (Registration& r : registrations()) {
        if (r.fd == fd) return &r;
    }
    return nullptr;
}

void registerSocket(int fd, unsigned message, long events, bool listening) {
    Registration registration{fd, message, events, listening, true};
    if (Registration* r = registrationOf(fd)) {
        *r = registration;
        return;
    }
    registrations().push_back(registration);
}

void unregisterSocket(int fd) {
    auto& all = registrations();
    all.erase(std::remove_if(all.begin(), all.end(), [fd](const Registration& r) { return r.fd == fd; }),
              all.end());
}

void rearm(int fd) {
    if (Registration* r = registrationOf(fd)) r->armed = true;
}

}  // namespace posix

// There is no library to start; version 2.2 is the one this layer behaves as.
bool SocketHandle::startNetwork(int major, int minor) { return major == 2 && minor == 2; }

void SocketHandle::stopNetwork() {}

int SocketHandle::lastError() { return lastSocketError; }

bool SocketHandle::open(int family, bool stream) {
    close();
    int fd = ::socket(systemFamily(family), (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        recordError();
        return false;
    }
    // Windows lets a listener bind beside connections still in TIME_WAIT;
    // this does the same here. A socket listening on the port still refuses.
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (family == familyIPv6 && setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) != 0) {
        recordError();
        ::close(fd);
        return false;
    }
    socket_ = static_cast<RawSocket>(fd);
    return true;
}

bool SocketHandle::bind(int family, uint16_t port, Reach reach) {
    bool loopback = reach == Reach::loopback;
    int result;
    if (family == familyIPv6) {
        sockaddr_in6 where{};
        where.sin6_family = AF_INET6;
        where.sin6_port = htons(port);
        where.sin6_addr = loopback ? in6addr_loopback : in6addr_any;
        result = ::bind(fdOf(socket_), reinterpret_cast<sockaddr*>(&where), sizeof where);
    } else {
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(port);
        where.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
        result = ::bind(fdOf(socket_), reinterpret_cast<sockaddr*>(&where), sizeof where);
    }
    if (result == 0) return true;
    recordError();
    return false;
}

bool SocketHandle::localAddress(char* out, int size) const {
    sockaddr_storage where{};
    socklen_t length = sizeof where;
    if (size <= 0 || getsockname(fdOf(socket_), reinterpret_cast<sockaddr*>(&where), &length) != 0) return false;
    const void* address = where.ss_family == AF_INET6
                              ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&where)->sin6_addr)
                              : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&where)->sin_addr);
    return inet_ntop(where.ss_family, address, out, static_cast<socklen_t>(size)) != nullptr;
}

bool SocketHandle::machineName(char* out, int size) {
    if (size <= 0 || gethostname(out, static_cast<size_t>(size)) != 0) return false;
    out[size - 1] = '\0';
    return true;
}

bool SocketHandle::listen(int backlog) {
    if (::listen(fdOf(socket_), backlog) == 0) return true;
    recordError();
    return false;
}

bool SocketHandle::accept(SocketHandle& client) {
    posix::rearm(fdOf(socket_));
    const posix::Registration* found = posix::registrationOf(fdOf(socket_));
    posix::Registration inherited = found ? *found : posix::Registration{};
    int flags = SOCK_CLOEXEC | (found ? SOCK_NONBLOCK : 0);
    int fd;
    do fd = ::accept4(fdOf(socket_), nullptr, nullptr, flags); while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        recordError();
        return false;
    }
    if (found) posix::registerSocket(fd, inherited.message, inherited.events, false);
    client.adopt(static_cast<RawSocket>(fd));
    return true;
}

bool SocketHandle::notifyWindow(WindowRef, unsigned message, long events) {
    int fd = fdOf(socket_);
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        recordError();
        return false;
    }
    int listening = 0;
    socklen_t size = sizeof listening;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0) listening = 0;
    posix::registerSocket(fd, message, events, listening != 0);
    return true;
}

int SocketHandle::receive(void* buffer, int n) {
    posix::rearm(fdOf(socket_));
    ssize_t got;
    do got = ::recv(fdOf(socket_), buffer, static_cast<size_t>(std::max(n, 0)), 0); while (got < 0 && errno == EINTR);
    if (got >= 0) return static_cast<int>(got);
    recordError();
    return -1;
}

int SocketHandle::send(const void* bytes, int n) {
    ssize_t sent;
    do sent = ::send(fdOf(socket_), bytes, static_cast<size_t>(std::max(n, 0)), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent >= 0) return static_cast<int>(sent);
    recordError();
    return -1;
}

int SocketHandle::shutdown(int how) {
    if (::shutdown(fdOf(socket_), how) == 0) return 0;
    recordError();
    return -1;
}

int SocketHandle::close() {
    if (socket_ == noSocket) return -1;
    int fd = fdOf(socket_);
    socket_ = noSocket;
    posix::unregisterSocket(fd);
    if (::close(fd) == 0) return 0;
    recordError();
    return -1;
}

}  // namespace platform
