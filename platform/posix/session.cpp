// Message boxes, the instance lock and the shell on POSIX systems.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

bool acquireInstanceLock(const char* name) {
    std::string path = "/tmp/";
    for (const char* p = name; *p; ++p) path += (*p == '*' || *p == '/') ? '_' : *p;
    path += ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    return true;  // held, never closed, until the process ends
}

bool shellOpen(WindowRef, const char* target, const char* parameters) {
    std::string program = parameters ? posix::systemName(target) : "xdg-open";
    std::string argument = parameters ? posix::utf8Text(parameters) : posix::utf8Text(target);
    char* argv[] = {program.data(), argument.data(), nullptr};
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
