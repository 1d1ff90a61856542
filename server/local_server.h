// The local HTTP server: the listening socket, a small table of client
// connections, request intake and the POST body. It has no loop of its own:
// socket events come in through onSocketEvent (on Windows the handler of
// window message 1024, natively the poll loop), and every answer is written
// inside that call.
//
// Each connection keeps its own header, body count and state. One submission
// is taken at a time, because its temporary files have fixed names: a POST
// that arrives while another is being received or saved has its body read
// and dropped, and gets the failure reply, so that the applet keeps its
// drawing and can send it again. A submission whose body has stopped coming
// for the stall limit gives way to the next POST instead: its connection is
// closed and the new body is taken.
//
// Every GET and POST passes the request gate (request_gate.h) first, a GET
// of the program's own addresses (get_handler.h) as strictly as a POST; what
// it keeps out gets the one refusal answer and its connection is closed,
// before any file is opened or any body byte is written.
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/text_buffer.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "server/connection.h"
#include "server/get_handler.h"
#include "server/request_gate.h"
#include "server/sender.h"
#include "server/static_responder.h"
#include "server/submission_handler.h"

class LocalServer : public platform::SocketEventTarget {
public:
    static constexpr int connectionLimit = 16;
    static constexpr uint32_t bufferSize = 4096;
    static constexpr int listenBacklog = connectionLimit;
    static constexpr uint32_t defaultStallLimit = 30000;  // milliseconds
    // An IPv4 listener and, where the system has IPv6, an IPv6 one.
    static constexpr int listenerLimit = 2;
    static constexpr int machineNameCapacity = 256;

    LocalServer();
    ~LocalServer() override;
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Where complete submissions go (none: every one gets the failure
    // reply), and the function that makes the program folder current again
    // after the handler has run.
    void setSubmissionHandler(SubmissionHandler* handler, bool (*enterProgramFolder)());
    // Where GETs of the program's own addresses go (none: every path is a
    // file of the folder).
    void setGetHandler(GetHandler* handler) { getHandler_ = handler; }
    // A file the program carries, answered from memory at its own path.
    bool addMemoryFile(const MemoryFile& file) { return responder_.addMemoryFile(file); }
    // How long a body may go without new bytes before another POST takes
    // its place.
    void setStallLimit(uint32_t milliseconds) { stallLimit_ = milliseconds; }

    // Starts the socket library and listens on loopback (127.0.0.1, and ::1
    // where the system has it), or with openToNetwork on every interface, on
    // the first port that binds of: port, 80, 8010, 8011, 8012; port is then
    // the one bound. A port is taken only when both families bind it (a
    // browser may reach "localhost" by either). Events go to window as
    // message 1024, and window owns the message boxes. False after showing
    // "error WSAStartup", "error socket", "error bind %d", "error listen" or
    // "error WSAAsyncSelect".
    bool startServer(platform::WindowRef window, uint16_t& port, bool openToNetwork);
    // Closes every connection and the listener, and releases the library.
    void stopServer();

    // The handler of window message 1024; false for another message, or
    // when accepting failed ("error accept" shown).
    bool onSocketEvent(unsigned message, uintptr_t wParam, intptr_t lParam) override;

private:
    enum class Binding { bound, taken, noSocket };
    // Opens the listeners afresh and binds them to port; when it is taken,
    // none is left open and error holds the system's code.
    Binding bindListeners(uint16_t port, platform::Reach reach, int& error);
    void closeListeners();
    platform::SocketHandle* listenerOf(uintptr_t raw);
    bool acceptConnection(platform::SocketHandle& listener);
    // A free slot, else the idle connection of lowest eviction rank used
    // least recently; null when every one is busy with a POST.
    Connection* slotForNewConnection();
    Connection* freeSlot();
    Connection* connectionOf(uintptr_t raw);

    // What the gate knows of this server and of the connection c.
    request::Site siteFor(Connection& c, char* localAddress, int size);
    void handleRead(Connection& c);
    void readHeader(Connection& c);
    // Handles every complete request collected, in order.
    void takeRequests(Connection& c);
    // Whether the GET whose header ends at end asks for an address of the
    // handler: then line holds its request line with the path cut at "?",
    // and query the text after it.
    bool asksHandler(Connection& c, int end, request::RequestLine& line, const char*& query);
    // The handler's answer to path and query; false when the connection
    // cannot take its next request.
    bool answerFromHandler(Connection& c, const char* path, const char* query);
    void startPost(Connection& c, int headerEnd);
    void readBody(Connection& c);
    void completeBody(Connection& c);
    // Whether the submission being received has had no body bytes for the
    // stall limit (never when the clock has gone back).
    bool hasStalled(const Connection& c) const;

    // The reply head "error" line, then text; the connection is closed.
    void reply(Connection& c, const char* text);
    void replySaved(Connection& c, const TextBuffer& result);
    // The whole answer to the HTML5 painter for the reply text: its own head,
    // "error" LF and the text with LF line ends, in UTF-8.
    static void painterReply(const char* text, TextBuffer& out);
    // The answer to what the request gate keeps out; the connection is closed.
    void refuse(Connection& c);
    // Sends text, then closes the connection without losing it to a reset.
    void sendAndClose(Connection& c, const char* text);
    void endConnection(Connection& c);

    platform::WindowRef window_ = nullptr;
    bool networkStarted_ = false;
    platform::SocketHandle listeners_[listenerLimit];
    bool ipv6_ = true;  // false once the system has shown it has no IPv6 (loopback)
    uint16_t port_ = 0;
    bool openToNetwork_ = false;
    char machineName_[machineNameCapacity] = {};
    Connection connections_[connectionLimit];
    uint32_t useClock_ = 0;
    uint8_t receiveBuffer_[bufferSize];
    Sender sender_;
    StaticResponder responder_;

    GetHandler* getHandler_ = nullptr;
    SubmissionHandler* handler_ = nullptr;
    bool (*enterProgramFolder_)() = nullptr;
    Connection* submission_ = nullptr;  // the connection whose body is being taken or saved
    uint32_t stallLimit_ = defaultStallLimit;
    FileHandle postFile_;
};
