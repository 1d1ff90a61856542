// Sockets on Windows: Winsock 2.2 with window-message notification.
#include <winsock2.h>

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
    socket_ = static_cast<RawSocket>(s);
    return true;
}

bool SocketHandle::bind(int family, uint16_t port, uint32_t address) {
    sockaddr_in where{};
    where.sin_family = static_cast<ADDRESS_FAMILY>(family);
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(address);
    return ::bind(handleOf(socket_), reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
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
