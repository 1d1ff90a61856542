// Fuzzes the body decoder: any body splits without a crash, the parts hold
// no byte the body does not, and the flags keep their rules.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "save/submission.h"

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
    auto folder = std::filesystem::temp_directory_path() / ("sh-fuzz-submission-" + std::to_string(std::rand()));
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::filesystem::remove("_tmppch.dat");
    std::ofstream("_post.dat", std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    SubmissionFlags flags = 0;
    if (!decodeSubmission(flags)) std::abort();
    if ((flags & ~(hasAnimation | isSpch | rawImage)) != 0) std::abort();
    if ((flags & hasAnimation) && (flags & rawImage)) std::abort();
    if ((flags & isSpch) && !(flags & hasAnimation)) std::abort();

    std::string picture = readAll("_tmppng.dat");
    if (!isPartOf(picture, data, size)) std::abort();
    bool hasRecord = std::filesystem::exists("_tmppch.dat");
    if (hasRecord != ((flags & hasAnimation) != 0)) std::abort();
    if (hasRecord) {
        std::string record = readAll("_tmppch.dat");
        if (!isPartOf(record, data, size) || picture.size() + record.size() > size) std::abort();
    }
    return 0;
}
