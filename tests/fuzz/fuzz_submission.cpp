// Fuzzes the body decoder: any body splits without a crash, the parts hold
// no byte the body does not, and the flags keep their rules.
#include <filesystem>
#include <fstream>
#include <string>

#include "save/submission.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

std::string readAll(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isPartOf(const std::string& part, const uint8_t* data, size_t size) {
    return part.empty() || std::string(reinterpret_cast<const char*>(data), size).find(part) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::create_directories(fuzzPath("-submission"));
    std::filesystem::current_path(fuzzPath("-submission"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::filesystem::remove("_tmppch.dat");
    std::ofstream("_post.dat", std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    SubmissionFlags flags = 0;
    require(decodeSubmission(flags));
    require((flags & ~(hasAnimation | isSpch | rawImage)) == 0);
    require(!(flags & hasAnimation) || !(flags & rawImage));
    require(!(flags & isSpch) || (flags & hasAnimation));

    std::string picture = readAll("_tmppng.dat");
    require(isPartOf(picture, data, size));
    bool hasRecord = std::filesystem::exists("_tmppch.dat");
    require(hasRecord == ((flags & hasAnimation) != 0));
    if (hasRecord) {
        std::string record = readAll("_tmppch.dat");
        require(isPartOf(record, data, size) && picture.size() + record.size() <= size);
    }
    return 0;
}
