// The narrow interface between the portable core and the operating system.
// Every text here is code page 932 (Shift_JIS); the implementations convert
// names for the system. Nothing in this header includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// ---- Files -----------------------------------------------------------------

struct NativeFile;  // an open file of the system

enum class SeekOrigin { begin, current, end };

// Read access, others may read too; the file must exist. Null on failure.
NativeFile* openRead(const char* path);
// Write access, no sharing; always creates, truncating an existing file.
NativeFile* createWrite(const char* path);
// Write access, no sharing; opens or creates, positioned at the end.
NativeFile* openAppend(const char* path);
bool closeFile(NativeFile* file);
// Both return the number of bytes moved; 0 on failure or at the end.
uint32_t readFile(NativeFile* file, void* buffer, uint32_t count);
uint32_t writeFile(NativeFile* file, const void* buffer, uint32_t count);
// Returns the new position, or -1 on failure.
int64_t seekFile(NativeFile* file, int64_t distance, SeekOrigin origin);
uint64_t fileSize(NativeFile* file);

// Times are 100-nanosecond ticks since 1601-01-01 UTC, as Windows counts them.
using FileTime = uint64_t;
bool fileTimes(NativeFile* file, FileTime* created, FileTime* accessed, FileTime* written);
FileTime currentTime();
// The same moment on the clock of this machine's time zone (daylight saving
// as it was then); the time itself when the zone cannot be read.
FileTime localTime(FileTime utc);

bool deleteFile(const char* path);
// Copies, replacing an existing target.
bool copyFile(const char* from, const char* to);

// ---- Folder search ---------------------------------------------------------

struct NativeSearch;

struct FoundEntry {
    char name[260];  // without folder
    uint64_t size;
    FileTime written;  // the last write
    bool isFolder;
};

// Wildcards * and ? in the last component, matched without regard to letter
// case. Null when nothing matches.
NativeSearch* findFirst(const char* pattern, FoundEntry& entry);
bool findNext(NativeSearch* search, FoundEntry& entry);
void findClose(NativeSearch* search);

// ---- Folders and the program -----------------------------------------------

// The full path of the program file; false when it cannot be obtained.
bool programPath(char* out, size_t capacity);
bool setCurrentFolder(const char* path);
bool currentFolder(char* out, size_t capacity);
void sleepMilliseconds(unsigned milliseconds);

// ---- Message boxes ---------------------------------------------------------

using WindowRef = void*;  // an opaque window of the user interface, or null

// Styles and answers carry the values of the Windows message box.
enum : unsigned {
    boxOk = 0x0, boxYesNo = 0x4,
    boxIconQuestion = 0x20, boxIconWarning = 0x30,
    boxSystemModal = 0x1000,
};
enum : int { answerOk = 1, answerYes = 6, answerNo = 7 };

// Shows a message box; a null caption lets the system choose its own.
// Natively the text is printed to standard error and the answer comes from
// the script set by setScriptedAnswers (default: the first button).
int messageBox(WindowRef owner, const char* text, const char* caption, unsigned style);

// ---- Profile files (the [Section] / Key=Value layout) ------------------------

int32_t profileInt(const char* section, const char* key, int32_t fallback, const char* path);
// Copies at most size - 1 characters and a terminator; returns the length.
size_t profileText(const char* section, const char* key, const char* fallback,
                   char* out, size_t size, const char* path);
// A null key erases the whole section; a null value erases the key.
bool writeProfileText(const char* section, const char* key, const char* value, const char* path);

// ---- Program resources -----------------------------------------------------

// A resource of the program's own of kind "TEXT"; false when absent.
bool textResource(int id, const char*& data, size_t& size);
// A string-table entry copied into out (at most capacity characters and a
// terminator); returns the length, 0 when absent.
size_t stringResource(int id, char* out, size_t capacity);

// ---- Texts ----------------------------------------------------------------

// The UTF-8 form of a code page 932 text into out (at most capacity - 1
// bytes and a terminator; 3 bytes per input byte always suffice). Returns
// the length, 0 when the text is empty, has no such form or does not fit.
size_t utf8Text(const char* text, char* out, size_t capacity);

// ---- The rest of the session -----------------------------------------------

// Holds a lock of this name until the process ends; false when another
// process holds it.
bool acquireInstanceLock(const char* name);
// Asks the system to open a document or address, or to run program with
// parameters. True when it started.
bool shellOpen(WindowRef owner, const char* target, const char* parameters);

}  // namespace platform
