#include "server/local_server.h"

#include <cstdio>
#include <cstring>

#include "app/warning.h"
#include "server/elapsed.h"
#include "server/request.h"

namespace {

const char postFileName[] = "_post.dat";

// Every POST reply starts so; its end is marked by closing the connection.
const char replyHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nerror\r\n";
// The HTML5 painter reads its reply as UTF-8, and only a line "error" that
// ends in a bare LF keeps it on its page with its drawing: it shows the rest
// of the text to the user, after a failure and after a save alike.
const char painterReplyHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n";
const char savedText[] =
    "====================\r\n保存完了。\r\n終了する場合はブラウザを閉じてください。\r\n"
    "続けて描くこともできます。\r\n \r\n---以下のメッセージは関係なし---";
const char notSavedText[] = "保存ができませんでした\r\n----------";
// The answer to every request that the request gate keeps out.
const char refusalText[] =
    "HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain\r\nContent-Length: 9\r\nConnection: close\r\n\r\nForbidden";

// Pieces of body read in one event; the rest waits for the next event, so
// that other connections are served in between.
constexpr int piecesPerEvent = 64;
// Reads that empty the connection before it is closed after a reply, so that
// unread bytes do not turn the close into a reset that loses the reply.
constexpr int drainReads = 64;

const uint16_t fallbackPorts[] = {80, 8010, 8011, 8012};

}  // namespace

LocalServer::LocalServer() : receiveBuffer_{}, responder_(sender_, receiveBuffer_, bufferSize) {}

LocalServer::~LocalServer() { stopServer(); }

void LocalServer::setSubmissionHandler(SubmissionHandler* handler, bool (*enterProgramFolder)()) {
    handler_ = handler;
    enterProgramFolder_ = enterProgramFolder;
}

bool LocalServer::startServer(platform::WindowRef window, uint16_t& port, bool openToNetwork) {
    window_ = window;
    sender_.setOwner(window);
    openToNetwork_ = openToNetwork;
    if (!platform::SocketHandle::startNetwork(2, 2)) {
        showWarning(window_, "error WSAStartup");
        return false;
    }
    networkStarted_ = true;
    if (openToNetwork_ && !platform::SocketHandle::machineName(machineName_, machineNameCapacity))
        machineName_[0] = '\0';
    platform::Reach reach = openToNetwork_ ? platform::Reach::everyInterface : platform::Reach::loopback;
    int error = 0;
    Binding binding = bindListeners(port, reach, error);
    for (uint16_t fallback : fallbackPorts) {
        if (binding != Binding::taken) break;
        binding = bindListeners(fallback, reach, error);
        if (binding == Binding::bound) port = fallback;
    }
    if (binding == Binding::noSocket) {
        showWarning(window_, "error socket");
        return false;
    }
    if (binding == Binding::taken) {
        char text[32];
        std::snprintf(text, sizeof text, "error bind %d", error);
        showWarning(window_, text);
        return false;
    }
    port_ = port;
    for (platform::SocketHandle& listener : listeners_) {
        if (!listener.isOpen()) continue;
        if (!listener.listen(listenBacklog)) {
            showWarning(window_, "error listen");
            return false;
        }
        if (!listener.notifyWindow(window_, platform::socketMessage,
                                   platform::eventRead | platform::eventAccept | platform::eventClose)) {
            showWarning(window_, "error WSAAsyncSelect");
            return false;
        }
    }
    return true;
}

LocalServer::Binding LocalServer::bindListeners(uint16_t port, platform::Reach reach, int& error) {
    closeListeners();
    platform::SocketHandle& ipv4 = listeners_[0];
    if (!ipv4.open(platform::familyIPv4, true)) return Binding::noSocket;
    if (!ipv4.bind(platform::familyIPv4, port, reach)) {
        error = platform::SocketHandle::lastError();
        ipv4.close();
        return Binding::taken;
    }
    if (!ipv6_) return Binding::bound;
    platform::SocketHandle& ipv6 = listeners_[1];
    if (!ipv6.open(platform::familyIPv6, true)) {
        ipv6_ = false;  // the system has no IPv6
        return Binding::bound;
    }
    if (ipv6.bind(platform::familyIPv6, port, reach)) return Binding::bound;
    error = platform::SocketHandle::lastError();
    ipv6.close();
    if (error == platform::errorAddressNotAvailable || error == platform::errorFamilyNotSupported) {
        ipv6_ = false;  // no ::1 here: IPv4 alone
        return Binding::bound;
    }
    // Another program has the port on IPv6, and a browser might reach it there.
    ipv4.close();
    return Binding::taken;
}

void LocalServer::closeListeners() {
    for (platform::SocketHandle& listener : listeners_) listener.close();
}

void LocalServer::stopServer() {
    for (Connection& c : connections_) endConnection(c);
    closeListeners();
    if (networkStarted_) platform::SocketHandle::stopNetwork();
    networkStarted_ = false;
}

bool LocalServer::onSocketEvent(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message != platform::socketMessage) return false;
    long event = static_cast<long>(lParam & 0xFFFF);
    if (event & platform::eventAccept) {
        platform::SocketHandle* listener = listenerOf(wParam);
        return listener ? acceptConnection(*listener) : true;
    }
    if (event & (platform::eventRead | platform::eventClose)) {
        if (Connection* c = connectionOf(wParam)) handleRead(*c);
    }
    return true;
}

platform::SocketHandle* LocalServer::listenerOf(uintptr_t raw) {
    for (platform::SocketHandle& listener : listeners_) {
        if (listener.isOpen() && listener.raw() == raw) return &listener;
    }
    return nullptr;
}

bool LocalServer::acceptConnection(platform::SocketHandle& listener) {
    platform::SocketHandle accepted;
    if (!listener.accept(accepted)) {
        // The connection may have gone again before it was taken.
        if (platform::SocketHandle::lastError() == platform::errorWouldBlock) return true;
        showWarning(window_, "error accept");
        return false;
    }
    Connection* slot = slotForNewConnection();
    if (!slot) return true;  // refused: every connection is busy with a POST; closed here
    endConnection(*slot);
    slot->start(accepted, ++useClock_);
    return true;
}

Connection* LocalServer::slotForNewConnection() {
    if (Connection* free = freeSlot()) return free;
    // A new connection may have its request waiting unread: take it now, so
    // that no request is lost to the room needed.
    for (Connection& c : connections_) {
        if (c.isOpen() && c.isIdle() && c.evictionRank() == 1) handleRead(c);
    }
    Connection* best = nullptr;
    for (Connection& c : connections_) {
        if (!c.isOpen()) return &c;
        if (!c.isIdle()) continue;
        if (!best || c.evictionRank() < best->evictionRank() ||
            (c.evictionRank() == best->evictionRank() && c.lastUse < best->lastUse))
            best = &c;
    }
    return best;
}

Connection* LocalServer::freeSlot() {
    for (Connection& c : connections_) {
        if (!c.isOpen()) return &c;
    }
    return nullptr;
}

Connection* LocalServer::connectionOf(uintptr_t raw) {
    for (Connection& c : connections_) {
        if (c.owns(raw)) return &c;
    }
    return nullptr;
}

void LocalServer::handleRead(Connection& c) {
    switch (c.state) {
    case Connection::State::idle: readHeader(c); break;
    case Connection::State::receivingBody:
    case Connection::State::discardingBody: readBody(c); break;
    case Connection::State::answering:
    case Connection::State::saving: break;  // read once the answer is done
    }
}

void LocalServer::readHeader(Connection& c) {
    int n = c.socket().receive(c.headerEnd(), c.room());
    if (n == 0) {  // the peer has closed
        endConnection(c);
        return;
    }
    if (n < 0) {
        if (platform::SocketHandle::lastError() != platform::errorWouldBlock) endConnection(c);
        return;
    }
    c.received(n, ++useClock_);
    takeRequests(c);
}

void LocalServer::takeRequests(Connection& c) {
    // Each request takes at least its four-byte end from the header bytes.
    for (int round = 0; round <= request::headerCapacity / 4 && c.isOpen(); ++round) {
        int end = request::headerEnd(c.header(), c.headerLength());
        if (end < 0) {
            if (c.room() == 0) endConnection(c);  // a header that does not fit is refused
            return;
        }
        request::Method method = request::methodOf(c.header(), end);
        char localAddress[64];
        request::Site site = siteFor(c, localAddress, sizeof localAddress);
        request::RequestLine line;
        const char* query = "";
        bool toHandler = method == request::Method::get && asksHandler(c, end, line, query);
        if (toHandler ? !request::admitsFromOwnPages(c.header(), end, site)
                      : !request::admits(c.header(), end, method, site)) {
            refuse(c);
            return;
        }
        switch (method) {
        case request::Method::get: {
            c.state = Connection::State::answering;
            bool keep = toHandler ? answerFromHandler(c, line.path, query)
                                  : responder_.serveGet(c.socket(), c.header(), end);
            c.state = Connection::State::idle;
            c.answered = true;
            c.consume(end);
            if (!keep) endConnection(c);
            break;
        }
        case request::Method::post: startPost(c, end); return;
        case request::Method::other: c.consume(end); break;  // not answered
        }
    }
}

bool LocalServer::asksHandler(Connection& c, int end, request::RequestLine& line, const char*& query) {
    if (!getHandler_ || !request::readRequestLine(c.header(), end, line)) return false;
    // "?" (0x3F) is below every trail byte of code page 932.
    char* mark = std::strchr(line.path, '?');
    if (mark) {
        *mark = '\0';
        query = mark + 1;
    }
    return getHandler_->handles(line.path);
}

bool LocalServer::answerFromHandler(Connection& c, const char* path, const char* query) {
    GetResponse response;
    if (!getHandler_->answer(path, query, response)) return responder_.sendNotFound(c.socket());
    return responder_.sendMade(c.socket(), response);
}

request::Site LocalServer::siteFor(Connection& c, char* localAddress, int size) {
    request::Site site;
    site.port = port_;
    site.openToNetwork = openToNetwork_;
    if (openToNetwork_) {
        site.machineName = machineName_;
        if (c.socket().localAddress(localAddress, size)) site.localAddress = localAddress;
    }
    return site;
}

void LocalServer::startPost(Connection& c, int headerEnd) {
    uint32_t length = 0;
    switch (request::bodyLength(c.header(), headerEnd, length)) {
    case request::BodyLength::missing:
        // Without a length the body cannot be told from a next request.
        endConnection(c);
        showWarning(nullptr, "POSTのサイズが取得できません");
        return;
    case request::BodyLength::invalid: endConnection(c); return;
    case request::BodyLength::valid: break;
    }
    c.painterPost = request::fieldEquals(c.header(), headerEnd, "X-Requested-With", "PaintBBS");
    uint32_t buffered = static_cast<uint32_t>(c.headerLength() - headerEnd);
    uint32_t taken = buffered < length ? buffered : length;
    if (submission_ && hasStalled(*submission_)) reply(*submission_, notSavedText);  // gives way
    if (submission_) {
        c.state = Connection::State::discardingBody;
    } else {
        submission_ = &c;
        c.state = Connection::State::receivingBody;
        c.lastProgress = platform::currentTime();
        c.bodyBroken = !postFile_.createWrite(postFileName) ||
                       postFile_.write(c.header() + headerEnd, taken) != taken;
    }
    c.pendingBody = length - taken;
    c.consume(c.headerLength());  // bytes past the announced body are not taken
    if (c.pendingBody == 0) {
        completeBody(c);
        return;
    }
    readBody(c);
}

void LocalServer::readBody(Connection& c) {
    for (int piece = 0; piece < piecesPerEvent && c.pendingBody > 0; ++piece) {
        int want = static_cast<int>(c.pendingBody < bufferSize ? c.pendingBody : bufferSize);
        int n = c.socket().receive(receiveBuffer_, want);
        if (n == 0) {  // the peer left before the end: nothing to answer
            endConnection(c);
            return;
        }
        if (n < 0) {
            int code = platform::SocketHandle::lastError();
            if (code == platform::errorWouldBlock) return;
            char text[32];
            std::snprintf(text, sizeof text, "error recv %d", code);
            reply(c, text);
            return;
        }
        uint32_t got = static_cast<uint32_t>(n);
        if (c.state == Connection::State::receivingBody) {
            if (!c.bodyBroken && postFile_.write(receiveBuffer_, got) != got) c.bodyBroken = true;
            c.lastProgress = platform::currentTime();
        }
        c.pendingBody -= got;
    }
    if (c.pendingBody == 0) completeBody(c);
}

void LocalServer::completeBody(Connection& c) {
    if (c.state == Connection::State::discardingBody) {
        reply(c, notSavedText);
        return;
    }
    bool written = postFile_.close() && !c.bodyBroken;
    c.state = Connection::State::saving;
    TextBuffer result(longTextCapacity);
    bool saved = written && handler_ && handler_->saveSubmission(result);
    if (handler_ && enterProgramFolder_) enterProgramFolder_();
    if (saved && !result.isEmpty()) {
        replySaved(c, result);
    } else {
        reply(c, notSavedText);
    }
}

bool LocalServer::hasStalled(const Connection& c) const {
    return c.state == Connection::State::receivingBody &&
           hasElapsed(c.lastProgress, platform::currentTime(), stallLimit_);
}

void LocalServer::replySaved(Connection& c, const TextBuffer& result) {
    TextBuffer text(result.length() + static_cast<int>(sizeof savedText));
    text.assign(result.text());
    text.append(savedText);
    reply(c, text.text());
}

void LocalServer::reply(Connection& c, const char* text) {
    TextBuffer whole(replyHead);
    whole.append(text);
    if (c.painterPost) painterReply(text, whole);
    sendAndClose(c, whole.text());
}

void LocalServer::refuse(Connection& c) { sendAndClose(c, refusalText); }

void LocalServer::sendAndClose(Connection& c, const char* text) {
    c.state = Connection::State::answering;
    sender_.sendText(c.socket(), text);
    c.socket().shutdown(platform::shutSend);
    for (int i = 0; i < drainReads && c.socket().receive(receiveBuffer_, bufferSize) > 0; ++i) {
    }
    c.socket().shutdown(platform::shutBoth);
    endConnection(c);
}

void LocalServer::painterReply(const char* text, TextBuffer& out) {
    TextBuffer lines("error\n");
    lines.append(text);
    // Line ends become bare LFs; the two bytes of a CR LF are never a trail
    // byte and its lead, which are 0x40 and above.
    char* p = lines.data();
    int kept = 0;
    for (int i = 0; p[i]; ++i) {
        if (p[i] != '\r' || p[i + 1] != '\n') p[kept++] = p[i];
    }
    p[kept] = '\0';
    TextBuffer utf8(3 * kept + 1);
    out.assign(painterReplyHead);
    out.append(platform::utf8Text(lines.text(), utf8.data(), static_cast<size_t>(utf8.sizeWithTerminator()))
                   ? utf8.text()
                   : lines.text());
}

void LocalServer::endConnection(Connection& c) {
    if (submission_ == &c) {
        submission_ = nullptr;
        postFile_.close();
    }
    c.end();
}

