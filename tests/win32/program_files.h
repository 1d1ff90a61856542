// The test program's own folder, which is the program folder of the code
// under test: set.ini, res\, the pages and the temporary files live there.
// The fixture starts without them and removes them again afterwards.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

class ProgramFiles {
public:
    ProgramFiles();
    ~ProgramFiles();
    ProgramFiles(const ProgramFiles&) = delete;
    ProgramFiles& operator=(const ProgramFiles&) = delete;

    const std::string& folder() const { return folder_; }  // code page 932, no trailing separator
    std::string file(const std::string& name) const { return folder_ + "\\" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    void makeFolder(const std::string& name) const;
    // A value of set.ini as the profile services read it.
    std::string setting(const char* section, const char* key) const;

    // Makes the browser of set.ini the stand-in program, which writes the
    // address it was given to a file of this folder.
    void useStandInBrowser() const;
    // The address the stand-in got, waiting a few seconds for it; empty when
    // it did not run.
    std::string standInAddress() const;

private:
    void removeAll() const;

    std::string folder_;
};

// A drop of these files (code page 932 paths), as the shell hands it over.
HDROP makeDrop(const std::vector<std::string>& paths);
