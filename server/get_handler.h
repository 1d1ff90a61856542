// What the server asks about a GET before it looks for a file: the program's
// own addresses, whose answers are made at each request. Such a request must
// come from this server's own pages (request::admitsFromOwnPages); what the
// gate keeps out gets the refusal answer before the handler is asked.
#pragma once

#include <string>

#include "app/text_buffer.h"

// One made answer: 200 with a body, or 303 See Other to another address.
struct GetResponse {
    enum class Kind { content, seeOther };
    Kind kind = Kind::content;
    const char* contentType = "text/html; charset=Shift_JIS";
    std::string body;
    TextBuffer location;  // seeOther: the address, a path of this server
    // content: how long the browser may keep the answer; 0 for never.
    unsigned maxAgeSeconds = 0;
};

class GetHandler {
public:
    virtual ~GetHandler() = default;
    // Whether path (a request path without its query) is one of the
    // handler's addresses; nothing of the folder is served there then.
    virtual bool handles(const char* path) const = 0;
    // The answer to a GET of one of them, query the text after "?" (empty
    // when none). False for the not-found answer.
    virtual bool answer(const char* path, const char* query, GetResponse& response) = 0;
};
