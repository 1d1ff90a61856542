// Fuzzes request intake: the header end, the method, the body length, the
// request-line tokens and the path gate, on any bytes. Besides not crashing,
// every accepted value keeps its bound and every accepted name its rules.
#include <cstring>
#include <string>

#include "app/dbcs.h"
#include "server/request.h"
#include "server/request_gate.h"
#include "server/request_path.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

// An accepted name has no separator-made escape: no empty or dot-ended
// segment and none of the refused single-byte characters.
void checkName(const char* name) {
    require(name[0] != '\0');
    int segmentStart = 0;
    for (int i = 0;; i = dbcs::nextIndex(name, i)) {
        char c = name[i];
        if (c == '\0' || c == '/') {
            require(i > segmentStart);
            require(name[i - 1] != '.' && name[i - 1] != ' ');
            if (c == '\0') break;
            segmentStart = i + 1;
            continue;
        }
        if (dbcs::isLeadByte(static_cast<unsigned char>(c)) && name[i + 1]) continue;
        require(c != '\\' && c != ':' && static_cast<unsigned char>(c) >= 0x20);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > static_cast<size_t>(request::headerCapacity) + 1) return 0;
    uint8_t choice = data[--size];
    request::Site site;
    site.port = static_cast<uint16_t>((choice & 1) ? 80 : 8010);
    site.openToNetwork = (choice & 2) != 0;
    site.localAddress = (choice & 4) ? "fd00::2" : "192.168.1.5";
    site.machineName = (choice & 8) ? "" : "Atelier";
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const char* text = bytes.data();
    int length = static_cast<int>(size);

    int end = request::headerEnd(text, length);
    require(end == -1 || (end >= 4 && end <= length && std::memcmp(text + end - 4, "\r\n\r\n", 4) == 0));
    int scope = end < 0 ? length : end;

    uint32_t value = 0;
    if (request::bodyLength(text, scope, value) == request::BodyLength::valid) require(value <= request::maxBodyLength);

    request::Method method = request::methodOf(text, scope);
    bool admitted = request::admits(text, scope, method, site);
    if (method == request::Method::post) require(!admitted || request::admits(text, scope, request::Method::get, site));
    if (request::admitsFromOwnPages(text, scope, site)) require(request::admits(text, scope, request::Method::get, site));
    int start = 0;
    int valueSize = 0;
    if (request::fieldValue(text, scope, "Origin", start, valueSize) == request::Field::once) {
        require(start >= 0 && valueSize >= 0 && start + valueSize <= scope);
        if (request::isOwnOrigin(text + start, valueSize, site))
            require(valueSize > 7 && request::isOwnHost(text + start + 7, valueSize - 7, site));
    }
    request::isOwnHost(text, length, site);

    request::RequestLine line;
    if (request::readRequestLine(text, scope, line)) {
        require(std::strlen(line.method) < sizeof line.method && std::strlen(line.path) < sizeof line.path &&
                std::strlen(line.version) < sizeof line.version);
        TextBuffer name(255);
        if (requestFileName(line.path, name)) checkName(name.text());
    }
    return 0;
}
