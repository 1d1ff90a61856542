// Sockets on Windows: Winsock 2.2 with window-message notification.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/socket.h"

namespace platform {
namespace {

SOCKET handleOf(RawSocket socket) { return static_cast<SOCKET>(socket); }

}  // namespace

bool SocketHandle::startNetwork(int major, int minor) {
    WORD wanted = MAKEWORD(major, minor);
    WSADATA data;
    if (WSAStartup(wanted, &data) != 0) return false;
    if (data.wVersion == wanted) return true;
    WSACleanup();
    return false;
}

void SocketHandle::stopNetwork() { WSACleanup(); }

int SocketHandle::lastError() { return WSAGetLastError(); }

bool SocketHandle::open(int family, bool stream) {
    close();
    SOCKET s = ::socket(family, stream ? SOCK_STREAM : SOCK_DGRAM, stream ? IPPROTO_TCP : IPPROTO_UDP);
    if (s == INVALID_SOCKET) return false;
    DWORD on = 1;
    if (family == AF_INET6 &&
        setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&on), sizeof on) != 0) {
        int code = WSAGetLastError();
        closesocket(s);
        WSASetLastError(code);
        return false;
    }
    socket_ = static_cast<RawSocket>(s);
    return true;
}

bool SocketHandle::bind(int family, uint16_t port, Reach reach) {
    bool loopback = reach == Reach::loopback;
    if (family == AF_INET6) {
        sockaddr_in6 where{};
        where.sin6_family = AF_INET6;
        where.sin6_port = htons(port);
        if (loopback) where.sin6_addr.s6_addr[15] = 1;  // ::1; zeros are every interface
        return ::bind(handleOf(socket_), reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    }
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    return ::bind(handleOf(socket_), reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
}

bool SocketHandle::localAddress(char* out, int size) const {
    sockaddr_storage where{};
    int length = sizeof where;
    if (size <= 0 || getsockname(handleOf(socket_), reinterpret_cast<sockaddr*>(&where), &length) != 0) return false;
    void* address = where.ss_family == AF_INET6 ? static_cast<void*>(&reinterpret_cast<sockaddr_in6*>(&where)->sin6_addr)
                                                : static_cast<void*>(&reinterpret_cast<sockaddr_in*>(&where)->sin_addr);
    return inet_ntop(where.ss_family, address, out, static_cast<size_t>(size)) != nullptr;
}

bool SocketHandle::machineName(char* out, int size) {
    if (size <= 0 || gethostname(out, size) != 0) return false;
    out[size - 1] = '\0';
    return true;
}

bool SocketHandle::listen(int backlog) { return ::listen(handleOf(socket_), backlog) == 0; }

bool SocketHandle::accept(SocketHandle& client) {
    SOCKET s = ::accept(handleOf(socket_), nullptr, nullptr);
    if (s == INVALID_SOCKET) return false;
    client.adopt(static_cast<RawSocket>(s));
    return true;
}

bool SocketHandle::notifyWindow(WindowRef window, unsigned message, long events) {
    return WSAAsyncSelect(handleOf(socket_), static_cast<HWND>(window), message, events) == 0;
}

int SocketHandle::receive(void* buffer, int n) { return ::recv(handleOf(socket_), static_cast<char*>(buffer), n, 0); }

int SocketHandle::send(const void* bytes, int n) {
    return ::send(handleOf(socket_), static_cast<const char*>(bytes), n, 0);
}

int SocketHandle::shutdown(int how) { return ::shutdown(handleOf(socket_), how); }

int SocketHandle::close() {
    if (socket_ == noSocket) return -1;
    SOCKET s = handleOf(socket_);
    socket_ = noSocket;
    return closesocket(s);
}

}  // namespace platform
