// The program's own folder: where set.ini, the pages, the applets and the
// temporary files live, and the current folder of the program.
#pragma once

#include "app/text_buffer.h"

// The full path of the program file without its last component and without
// a trailing separator (cut at the last \, else at the last /). False when
// the program's path cannot be obtained or holds no separator.
bool programFolder(TextBuffer& out);

// folder, \ and name.
void folderFile(const char* folder, const char* name, TextBuffer& out);
// The file (a wildcard pattern allowed) exists in folder, letter case aside.
bool existsInFolder(const char* folder, const char* name);

// Makes the program folder the current folder; false when either step fails.
bool enterProgramFolder();

// Makes the program folder current and deletes the temporary files of the
// drawings there (_post.dat, _tmppng.dat, _tmppch.dat, _tmplapse.dat,
// _load.dat, _load.pch); missing
// files are not an error. draw.html, anim.html and _prev.dat stay.
void deleteTemporaryFiles();
