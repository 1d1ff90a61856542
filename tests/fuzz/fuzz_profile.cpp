// Fuzzes the profile-file reader and writer of the native build on any file:
// reads give terminated text within the buffer, and a key written reads back
// as written, whatever lines were there before.
#include <cstring>

#include "platform/platform.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzFile(data, size);
    char text[16];
    size_t n = platform::profileText("Setting", "SaveDir", "none", text, sizeof text, path);
    require(n < sizeof text && text[n] == '\0');
    platform::profileInt("Setting", "Port", 80, path);
    platform::profileInt("ImgPreset", "preset0", -1, path);

    require(platform::writeProfileText("Setting", "Port", "8010", path));
    require(platform::profileInt("Setting", "Port", 80, path) == 8010);
    require(platform::writeProfileText("setting", "SaveFile", "a b=c", path));
    char value[32];
    platform::profileText("SETTING", "savefile", "", value, sizeof value, path);
    require(std::strcmp(value, "a b=c") == 0);
    require(platform::profileInt("Setting", "Port", 80, path) == 8010);
    return 0;
}
