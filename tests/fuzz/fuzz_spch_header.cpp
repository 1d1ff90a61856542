// Fuzzes the readers of animation files and the command line: the SPCH
// header reader (with a line capacity taken from the last input byte), the
// PCH name tag and the option parser on the input as text. Each key handed
// out fits the line capacity, and there are never more entries than lines.
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/drawing_setup.h"
#include "pages/playback.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int capacity = 1 + data[size - 1];
    const char* path = fuzzFile(data, size - 1);
    size_t entries = 0;
    bool ok = readSpchHeader(path, capacity, [&](const char* key, int32_t) {
        require(std::strlen(key) < static_cast<size_t>(capacity));
        ++entries;
    });
    require(ok && entries <= size);

    std::string text(reinterpret_cast<const char*>(data), size - 1);
    text = text.c_str();  // up to the first NUL, as a path or command line would be
    int32_t width = -7, height = -7;
    require(pchSizeFromName(text.c_str(), width, height) || (width == -7 && height == -7));
    DrawingSetup setup;
    applyCommandLine(text.c_str(), setup);
    require(setup.kind >= -1 && setup.kind < appletKindCount && setup.palette >= -1 && setup.palette < paletteCount);
    return 0;
}
