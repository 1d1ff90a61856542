// Message boxes, the instance lock and the shell on POSIX systems.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/platform.h"
#include "platform/posix/names.h"
#include "platform/posix/scripted_answers.h"

extern char** environ;

namespace platform {
namespace {

std::deque<int>& scripted() {
    static std::deque<int> answers;
    return answers;
}

std::vector<posix::ShownBox>& shown() {
    static std::vector<posix::ShownBox> boxes;
    return boxes;
}

}  // namespace

namespace posix {

void setScriptedAnswers(std::vector<int> answers) { scripted().assign(answers.begin(), answers.end()); }

std::vector<ShownBox> takeShownBoxes() {
    std::vector<ShownBox> boxes;
    boxes.swap(shown());
    return boxes;
}

}  // namespace posix

int messageBox(WindowRef, const char* text, const char* caption, unsigned style) {
    shown().push_back({text ? text : "", caption ? caption : "", style});
    std::fprintf(stderr, "[%s] %s\n", caption ? posix::utf8Text(caption).c_str() : "",
                 posix::utf8Text(text ? text : "").c_str());
    if (!scripted().empty()) {
        int answer = scripted().front();
        scripted().pop_front();
        return answer;
    }
    return (style & 0xF) == boxYesNo ? answerYes : answerOk;
}

// The lock is a file held under flock, in the session's runtime folder
// (XDG_RUNTIME_DIR, private to the user) or else in /tmp under the user's
// number, as a named mutex of Windows lives in the session. The file must be
// a regular file of the user's own: a link or another user's file planted
// under the name refuses the lock rather than being followed. The descriptor
// is closed on exec, so a browser started later never holds the lock.
bool acquireInstanceLock(const char* name) {
    if (!name) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string path = runtime && runtime[0] == '/' ? runtime : "/tmp";
    path += '/';
    for (const char* p = name; *p; ++p) path += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    path += '-' + std::to_string(getuid()) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != getuid() ||
        flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    return true;  // held, never closed, until the process ends
}

bool shellOpen(WindowRef, const char* target, const char* parameters) {
    std::string program = parameters ? posix::systemName(target) : "xdg-open";
    std::string argument = parameters ? posix::utf8Text(parameters) : posix::utf8Text(target);
    char* argv[] = {program.data(), argument.data(), nullptr};
    // Browsers started before that have ended since are reaped here, so a
    // long run leaves at most the latest one unwaited for.
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    pid_t pid;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    // A program that cannot be run ends at once with status 127.
    usleep(100000);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
        return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    return true;
}

}  // namespace platform
