#include "save/submission.h"

#include <algorithm>
#include <cstring>

#include "app/decimal.h"
#include "app/file_handle.h"
#include "app/text_buffer.h"

const char* const timelapseFramesFile = "_tmplapse.dat";

namespace {

constexpr const char* postFile = "_post.dat";
constexpr const char* pictureFile = "_tmppng.dat";
constexpr const char* animationFile = "_tmppch.dat";

constexpr const char* rawSignature = "junji.gif\r\n";
constexpr uint32_t rawSignatureLength = 11;
constexpr uint32_t lengthFieldSize = 8;
constexpr int32_t headerCapacity = 31;  // a 32-byte buffer with its terminator
constexpr int64_t lineBreakSize = 2;
constexpr int32_t animationMarker = 1;
constexpr char spchLetter = 'S';
constexpr char framesLetter = 'P';
constexpr char framesMagic[] = "SKHL";
constexpr uint32_t framesMagicLength = 4;
constexpr uint32_t copyBlockSize = 16384;

// Reads up to n bytes into text (n + 1 bytes) and terminates what was read.
void readText(FileHandle& body, char* text, uint32_t n) {
    uint32_t got = body.read(text, n);
    text[got] = '\0';
}

int32_t readLengthField(FileHandle& body) {
    char field[lengthFieldSize + 1];
    readText(body, field, lengthFieldSize);
    return decimal::valueOf(field);
}

// Moves count bytes forward, never past the end of the body.
void skip(FileHandle& body, int64_t count) {
    int64_t position = body.tell();
    int64_t end = body.size();
    if (position < 0 || position >= end) return;
    body.seek(std::min(end, position + count), platform::SeekOrigin::begin);
}

// The animation marker: the number at the start of a header of the declared
// length. Of a header longer than the buffer the first bytes are read and the
// rest is skipped; a negative length reads as an empty header.
int32_t readMarker(FileHandle& body, int32_t declared) {
    if (declared <= 0) return 0;
    char header[headerCapacity + 1];
    int32_t kept = std::min(declared, headerCapacity);
    readText(body, header, static_cast<uint32_t>(kept));
    skip(body, declared - kept);
    return decimal::valueOf(header);
}

bool startsWithRawSignature(FileHandle& body) {
    char head[rawSignatureLength + 1];
    readText(body, head, rawSignatureLength);
    return TextBuffer(head).compareNoCase(rawSignature) == 0;
}

// The timelapse frames after the record: a length field and a section that
// begins with its magic. True when they were copied whole.
bool copyTimelapseFrames(FileHandle& body) {
    if (body.tell() >= body.size()) return false;
    int32_t length = readLengthField(body);
    int64_t start = body.tell();
    char magic[framesMagicLength + 1];
    readText(body, magic, framesMagicLength);
    if (length < static_cast<int32_t>(framesMagicLength) || std::memcmp(magic, framesMagic, framesMagicLength) != 0)
        return false;
    if (start + length > body.size()) return false;
    body.seek(start, platform::SeekOrigin::begin);
    return copyPart(body, timelapseFramesFile, length);
}

}  // namespace

bool decodeSubmission(SubmissionFlags& flags) {
    flags = 0;
    FileHandle body;
    if (!body.openRead(postFile)) return false;

    if (startsWithRawSignature(body)) {
        flags = rawImage;
        uint32_t rest = body.size() - rawSignatureLength;
        copyPart(body, pictureFile, static_cast<int32_t>(std::min<uint32_t>(rest, INT32_MAX)));
        return true;
    }

    body.seek(0, platform::SeekOrigin::begin);
    char letter = '\0';
    body.read(&letter, 1);
    int32_t marker = readMarker(body, readLengthField(body));
    int32_t pictureLength = readLengthField(body);
    skip(body, lineBreakSize);
    copyPart(body, pictureFile, pictureLength);
    if (marker != animationMarker) return true;

    flags = hasAnimation;
    int32_t animationLength = readLengthField(body);
    if (letter == spchLetter) flags |= isSpch;
    copyPart(body, animationFile, animationLength);
    if (letter == framesLetter && copyTimelapseFrames(body)) flags |= hasTimelapse;
    return true;
}

bool copyPart(FileHandle& source, const char* targetName, int32_t count) {
    FileHandle target;
    if (!target.createWrite(targetName)) {
        skip(source, count > 0 ? count : 0);
        return false;
    }
    char block[copyBlockSize];
    uint32_t left = count > 0 ? static_cast<uint32_t>(count) : 0;
    bool written = true;
    while (left > 0) {
        uint32_t got = source.read(block, std::min(left, copyBlockSize));
        if (got == 0) break;
        written = target.write(block, got) == got && written;
        left -= got;
    }
    return target.close() && written;
}
