// The one gate between a request and what the server does for it: whom a
// file or a save is for. Every GET and POST passes it before it is answered;
// the path gate (request_path.h) then decides which file a GET may have.
//
// It keeps out pages of other sites, which any browser on this machine may
// be showing: a page that has rebound its own name to this machine (its
// requests carry its own name as Host), and a page that posts here (a simple
// cross-site POST needs no permission; its Origin and Sec-Fetch-Site tell).
#pragma once

#include <cstdint>

#include "server/request.h"

namespace request {

// What the server knows of itself.
struct Site {
    uint16_t port = 80;          // the port it listens on
    bool openToNetwork = false;  // it listens on every interface, not on loopback only
    // With openToNetwork: the address the connection came in on, as the
    // system writes it ("192.168.1.5", "fd00::2"), and this machine's name;
    // empty when unknown.
    const char* localAddress = "";
    const char* machineName = "";
};

// Whether a Host value [0, length) names this server: localhost, 127.0.0.1
// or [::1], in any letter case, with or without a port of up to five digits
// (any port: the name is what a rebinding page cannot fake). With
// openToNetwork also the connection's local address (in brackets when it is
// IPv6), the machine's name and that name with ".local". Anything else is
// foreign: other names and addresses, "localhost." and other spellings of
// the same address, a blank inside, a missing "]".
bool isOwnHost(const char* host, int length, const Site& site);

// Whether an Origin value [0, length) is this server's own: "http://", a host
// that isOwnHost admits, and the server's own port (none stands for 80),
// nothing after it. "null", https and every other port are foreign.
bool isOwnOrigin(const char* origin, int length, const Site& site);

// Whether a GET or POST whose whole header is header[0, length) may be
// answered. A request without Host (HTTP/1.0 clients) passes the Host rule.
// A POST must also come from this server's own pages (admitsFromOwnPages).
// Other methods pass: they are not answered at all.
bool admits(const char* header, int length, Method method, const Site& site);

// The Host rule, and no Origin (the Java applets send none) or its own, and
// a Sec-Fetch-Site that is absent, "same-origin" or "none" (the browser's
// own word that no other site sent it: an image or a link of another site
// carries no Origin, but "cross-site" or "same-site"). Each of the three
// given twice is foreign. What a POST passes, and a GET of an address whose
// answer shows the user's files or writes a page.
bool admitsFromOwnPages(const char* header, int length, const Site& site);

}  // namespace request
