#include "app/program_folder.h"

#include "app/file_handle.h"
#include "platform/platform.h"

namespace {


const char* const temporaryFiles[] = {"_post.dat", "_tmppng.dat", "_tmppch.dat", "_tmplapse.dat", "_load.dat", "_load.pch"};

}  // namespace

bool programFolder(TextBuffer& out) {
    out.grow(pathCapacity);
    if (!platform::programPath(out.data(), static_cast<size_t>(out.sizeWithTerminator()))) {
        out.clear();
        return false;
    }
    if (out.findLast('\\') < 0 && out.findLast('/') < 0) {
        out.clear();
        return false;
    }
    out.cutToDirectory();
    return true;
}

bool enterProgramFolder() {
    TextBuffer folder(pathCapacity);
    if (!programFolder(folder)) return false;
    // A program at the root of a drive leaves "C:", which names the drive's
    // current folder rather than its root.
    int n = folder.length();
    if (n == 2 && folder.text()[1] == ':') folder.append("\\");
    return platform::setCurrentFolder(folder.text());
}

void deleteTemporaryFiles() {
    enterProgramFolder();
    for (const char* name : temporaryFiles) platform::deleteFile(name);
}

void folderFile(const char* folder, const char* name, TextBuffer& out) {
    out.assign(folder);
    out.append("\\");
    out.append(name);
}

bool existsInFolder(const char* folder, const char* name) {
    TextBuffer path;
    folderFile(folder, name, path);
    return fileExists(path.text());
}
