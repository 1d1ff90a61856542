// Files, folder search, folders and the clock on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"
#include "platform/posix/names.h"

namespace platform {

struct NativeFile {
    int fd;
};

namespace {

constexpr uint64_t ticksPerSecond = 10000000;
constexpr uint64_t epochDifference = 11644473600ULL;  // 1601 to 1970 in seconds

FileTime ticksOf(const timespec& t) {
    return (static_cast<uint64_t>(t.tv_sec) + epochDifference) * ticksPerSecond +
           static_cast<uint64_t>(t.tv_nsec) / 100;
}

NativeFile* wrap(int fd) { return fd < 0 ? nullptr : new NativeFile{fd}; }

bool isRegularFile(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

NativeFile* openRead(const char* path) {
    int fd = ::open(posix::systemName(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && !isRegularFile(fd)) {
        ::close(fd);
        return nullptr;
    }
    return wrap(fd);
}

NativeFile* createWrite(const char* path) {
    return wrap(::open(posix::systemName(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
}

NativeFile* openAppend(const char* path) {
    NativeFile* file = wrap(::open(posix::systemName(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (file) lseek(file->fd, 0, SEEK_END);
    return file;
}

bool closeFile(NativeFile* file) {
    if (!file) return false;
    bool ok = ::close(file->fd) == 0;
    delete file;
    return ok;
}

uint32_t readFile(NativeFile* file, void* buffer, uint32_t count) {
    if (!file) return 0;
    ssize_t n;
    do n = ::read(file->fd, buffer, count); while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<uint32_t>(n) : 0;
}

uint32_t writeFile(NativeFile* file, const void* buffer, uint32_t count) {
    if (!file) return 0;
    const char* p = static_cast<const char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(file->fd, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

int64_t seekFile(NativeFile* file, int64_t distance, SeekOrigin origin) {
    if (!file) return -1;
    int whence = origin == SeekOrigin::begin ? SEEK_SET : origin == SeekOrigin::current ? SEEK_CUR : SEEK_END;
    return lseek(file->fd, distance, whence);
}

uint64_t fileSize(NativeFile* file) {
    struct stat st;
    return file && fstat(file->fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

bool fileTimes(NativeFile* file, FileTime* created, FileTime* accessed, FileTime* written) {
    struct stat st;
    if (!file || fstat(file->fd, &st) != 0) return false;
    if (created) *created = ticksOf(st.st_ctim);
    if (accessed) *accessed = ticksOf(st.st_atim);
    if (written) *written = ticksOf(st.st_mtim);
    return true;
}

FileTime currentTime() {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return ticksOf(t);
}

FileTime localTime(FileTime utc) {
    const int64_t seconds = static_cast<int64_t>(utc / ticksPerSecond) - static_cast<int64_t>(epochDifference);
    const time_t moment = static_cast<time_t>(seconds);
    tm local;
    if (!localtime_r(&moment, &local)) return utc;
    const int64_t shifted = static_cast<int64_t>(utc) + static_cast<int64_t>(local.tm_gmtoff) * ticksPerSecond;
    return shifted < 0 ? utc : static_cast<FileTime>(shifted);
}

bool deleteFile(const char* path) { return ::unlink(posix::systemName(path).c_str()) == 0; }

bool copyFile(const char* from, const char* to) {
    NativeFile* in = openRead(from);
    if (!in) return false;
    NativeFile* out = createWrite(to);
    if (!out) {
        closeFile(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (uint32_t n; (n = readFile(in, buffer, sizeof buffer)) > 0;) {
        if (writeFile(out, buffer, n) != n) {
            ok = false;
            break;
        }
    }
    closeFile(in);
    return closeFile(out) && ok;
}

// ---- Folder search ---------------------------------------------------------

struct NativeSearch {
    DIR* dir;
    std::string folder;   // system name, with trailing / or empty
    std::string pattern;  // code page 932
};

namespace {

int fold(unsigned char c) { return c < 0x80 ? std::tolower(c) : c; }

// * and ? over code page 932 bytes, letters compared without case.
bool matches(const char* pattern, const char* name) {
    if (!*pattern) return !*name;
    if (*pattern == '*') {
        for (const char* n = name;; ++n) {
            if (matches(pattern + 1, n)) return true;
            if (!*n) return false;
        }
    }
    if (!*name) return false;
    if (*pattern == '?' || fold(static_cast<unsigned char>(*pattern)) == fold(static_cast<unsigned char>(*name)))
        return matches(pattern + 1, name + 1);
    return false;
}

bool nextMatch(NativeSearch* search, FoundEntry& entry) {
    while (dirent* d = readdir(search->dir)) {
        std::string name;
        if (!posix::windowsName(d->d_name, name) || name.size() >= sizeof entry.name) continue;
        if (!matches(search->pattern.c_str(), name.c_str())) continue;
        struct stat st;
        if (stat((search->folder + d->d_name).c_str(), &st) != 0) continue;
        std::memcpy(entry.name, name.c_str(), name.size() + 1);
        entry.size = static_cast<uint64_t>(st.st_size);
        entry.written = ticksOf(st.st_mtim);
        entry.isFolder = S_ISDIR(st.st_mode);
        return true;
    }
    return false;
}

}  // namespace

NativeSearch* findFirst(const char* pattern, FoundEntry& entry) {
    std::string all = pattern;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < all.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(all[i]);
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < all.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            cut = i;
        }
    }
    std::string folder = cut == std::string::npos ? std::string() : all.substr(0, cut + 1);
    std::string last = cut == std::string::npos ? all : all.substr(cut + 1);
    if (last.empty()) return nullptr;
    std::string systemFolder = folder.empty() ? std::string() : posix::systemName(folder.c_str());
    DIR* dir = opendir(systemFolder.empty() ? "." : systemFolder.c_str());
    if (!dir) return nullptr;
    auto* search = new NativeSearch{dir, systemFolder, last};
    if (!nextMatch(search, entry)) {
        findClose(search);
        return nullptr;
    }
    return search;
}

bool findNext(NativeSearch* search, FoundEntry& entry) { return search && nextMatch(search, entry); }

void findClose(NativeSearch* search) {
    if (!search) return;
    closedir(search->dir);
    delete search;
}

// ---- Folders and the program -----------------------------------------------

namespace {

bool copyOut(const std::string& text, char* out, size_t capacity) {
    std::string converted;
    if (!posix::windowsName(text.c_str(), converted)) converted = text;
    if (converted.size() + 1 > capacity) return false;
    std::memcpy(out, converted.c_str(), converted.size() + 1);
    return true;
}

}  // namespace

bool programPath(char* out, size_t capacity) {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return false;
    buffer[n] = '\0';
    return copyOut(buffer, out, capacity);
}

bool setCurrentFolder(const char* path) { return chdir(posix::systemName(path).c_str()) == 0; }

bool currentFolder(char* out, size_t capacity) {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) && copyOut(buffer, out, capacity);
}

void sleepMilliseconds(unsigned milliseconds) { usleep(milliseconds * 1000u); }

}  // namespace platform
