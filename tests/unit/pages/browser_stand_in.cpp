// Stands in for a web browser in tests: writes the parameters it was started
// with to browser_address.txt in its current folder (through a temporary
// name, so the file appears complete) and ends.
#include <cstdio>

int main(int argc, char** argv) {
    std::FILE* out = std::fopen("browser_address.part", "wb");
    if (!out) return 1;
    for (int i = 1; i < argc; ++i) std::fprintf(out, i > 1 ? " %s" : "%s", argv[i]);
    std::fclose(out);
    return std::rename("browser_address.part", "browser_address.txt") == 0 ? 0 : 1;
}
