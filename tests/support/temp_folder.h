// A fresh folder for one test, made the current folder while it lives and
// removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// The drive on which the program sees this machine's files: Z: under Wine.
#ifdef _WIN32
const std::string hostDrive = "Z:";
#else
const std::string hostDrive;
#endif

class TempFolder {
public:
    TempFolder() : previous_(std::filesystem::current_path()) {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("sh-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes bytes to a file of this folder (an ASCII name).
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    // A file of this folder, or any file by its absolute path.
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
