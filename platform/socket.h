// Sockets with readiness events, the same on every platform. Error codes and
// event numbers are those of the Windows socket library everywhere, so code
// above this layer is written once. Nothing here includes a system header.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

using RawSocket = uintptr_t;  // a socket of the system
constexpr RawSocket noSocket = ~static_cast<RawSocket>(0);

// Address families in the Windows numbering.
constexpr int familyIPv4 = 2;
constexpr int familyIPv6 = 23;

// Where a listener takes connections from.
enum class Reach {
    loopback,        // this machine only: 127.0.0.1, or ::1
    everyInterface,  // every interface of the family
};

// Error codes in the Windows numbering, on every platform.
enum : int {
    errorWouldBlock = 10035,         // nothing can move now; try again later
    errorConnectionAborted = 10053,  // the connection was ended on this side
    errorConnectionReset = 10054,    // the peer reset the connection
    errorAddressInUse = 10048,
    errorAddressNotAvailable = 10049,  // the system has no such address (no ::1, say)
    errorFamilyNotSupported = 10047,   // the system has no such family (no IPv6)
};

// Network events of a readiness registration, and the low 16 bits of the
// event word delivered with it.
enum : long { eventRead = 0x1, eventAccept = 0x8, eventClose = 0x20 };

// The first private window message number; the server asks for its events
// under this number.
constexpr unsigned socketMessage = 1024;

enum : int { shutReceive = 0, shutSend = 1, shutBoth = 2 };

// One socket of the system, or none. Destruction closes it.
class SocketHandle {
public:
    SocketHandle() = default;
    ~SocketHandle() { close(); }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    // Starts the socket library; true only when it grants exactly
    // major.minor (otherwise it is released again).
    static bool startNetwork(int major, int minor);
    static void stopNetwork();
    // The code of the last failed socket call of this thread.
    static int lastError();

    // A new socket of the family: stream (TCP) or datagram. Closes a held one.
    // An IPv6 socket takes IPv6 only, so that an IPv4 socket can share its port.
    bool open(int family, bool stream);
    // Port in host order; the address is the family's loopback or wildcard one.
    bool bind(int family, uint16_t port, Reach reach);
    bool listen(int backlog);
    // The next waiting connection, handed to client through adopt. An
    // accepted socket inherits this socket's readiness registration.
    bool accept(SocketHandle& client);
    // Registers for events: on Windows message is posted to window for each
    // of them; natively the readiness loop delivers them (window unused).
    // The socket becomes non-blocking.
    bool notifyWindow(WindowRef window, unsigned message, long events);
    // Closes a held socket, then holds this one.
    void adopt(RawSocket socket) {
        if (socket == socket_) return;
        close();
        socket_ = socket;
    }
    // Gives up the socket without closing it.
    RawSocket release() {
        RawSocket socket = socket_;
        socket_ = noSocket;
        return socket;
    }

    // One library call each; the count moved, 0 when the peer has closed
    // (receive), -1 on error (see lastError).
    int receive(void* buffer, int n);
    int send(const void* bytes, int n);
    int shutdown(int how);
    // -1 when no socket was held.
    int close();

    // The local address of a connected socket as the system writes it
    // ("192.168.1.5", "fd00::2"), NUL-terminated in out; false when it
    // cannot be told or does not fit.
    bool localAddress(char* out, int size) const;
    // This machine's name (the network library must be started); false
    // when it cannot be told or does not fit.
    static bool machineName(char* out, int size);

    bool isOpen() const { return socket_ != noSocket; }
    RawSocket raw() const { return socket_; }

private:
    RawSocket socket_ = noSocket;
};

// What socket events are delivered to, with the arguments of the window
// message: the message number, the socket, and the event word (event in the
// low 16 bits, an error code in the high 16 bits). True when handled.
class SocketEventTarget {
public:
    virtual ~SocketEventTarget() = default;
    virtual bool onSocketEvent(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

// The native program's loop: delivers the events of registered sockets to one
// target, on the calling thread, from a poll over the sockets; the signals
// SIGINT and SIGTERM stop it. (On Windows the main window receives the
// sockets' messages itself.)
class SocketEventLoop {
public:
    explicit SocketEventLoop(SocketEventTarget& target);
    ~SocketEventLoop();
    SocketEventLoop(const SocketEventLoop&) = delete;
    SocketEventLoop& operator=(const SocketEventLoop&) = delete;

    // False when the loop could not be set up.
    bool isReady() const;
    // The window to register sockets for: none.
    WindowRef window() const { return window_; }
    // Delivers events until stopped; returns the exit code (0).
    int run();
    // Waits at most timeout for events and delivers those ready; false once
    // the loop has been stopped.
    bool runOnce(unsigned timeoutMilliseconds);
    void stop();

private:
    SocketEventTarget& target_;
    WindowRef window_ = nullptr;
    bool stopped_ = false;
};

}  // namespace platform
