#include "app/command_line.h"

#include <cstring>

#include "app/decimal.h"
#include "app/text_buffer.h"
#include "app/drawing_setup.h"

namespace {

const char galleryOption[] = "--gallery";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The token at p is word, exactly.
bool isWord(const char* p, const char* word) {
    size_t n = std::strlen(word);
    return std::strncmp(p, word, n) == 0 && (p[n] == '\0' || isBlank(p[n]));
}

// The number written right after an option letter; a missing one reads 0.
int32_t optionNumber(const char* afterLetter) {
    return isBlank(*afterLetter) ? 0 : decimal::valueOf(afterLetter);
}

// A list entry chosen by number: a negative number selects nothing, one past
// the list is ignored.
void choose(int& selection, int32_t number, int entries) {
    if (number < entries) selection = number < 0 ? -1 : number;
}

void applyOption(char letter, int32_t number, DrawingSetup& setup, CommandLineResult& result) {
    switch (letter) {
    case 'a': choose(setup.kind, number, appletKindCount); break;
    case 'w': setup.imageWidth = static_cast<uint32_t>(number); break;
    case 'h': setup.imageHeight = static_cast<uint32_t>(number); break;
    case 'p': choose(setup.palette, number, paletteCount); break;
    case 'r': result.drawRequested = true; break;
    case 'b': setup.builtInPainter = number != 0; break;
    case 'v': result.playRequested = true; break;
    default: break;
    }
}

// Copies the token at p (a quoted one without its quotes) into path; returns the position after the token.
const char* takePicture(const char* p, TextBuffer& path) {
    bool quoted = *p == '"';
    if (quoted) ++p;
    int n = 0;
    while (p[n] && (quoted ? p[n] != '"' : !isBlank(p[n]))) ++n;
    TextBuffer(p).substring(path, 0, n);
    p += n;
    return quoted && *p == '"' ? p + 1 : p;
}

}  // namespace

CommandLineResult applyCommandLine(const char* text, DrawingSetup& setup) {
    CommandLineResult result;
    const char* p = text;
    while (*p) {
        while (isBlank(*p)) ++p;
        if (!*p) break;
        if (isWord(p, galleryOption)) {
            result.galleryRequested = true;
            p += sizeof galleryOption - 1;
            continue;
        }
        if (*p == '-') {
            char letter = p[1];
            if (!letter) break;  // a lone - at the end
            applyOption(letter, optionNumber(p + 2), setup, result);
            while (*p && !isBlank(*p)) ++p;
            continue;
        }
        p = takePicture(p, setup.continuePath);
        result.pictureGiven = true;
    }
    return result;
}
