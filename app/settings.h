// set.ini, the settings file of the program folder: its sections read and
// written one key at a time through the platform's profile-file services,
// and the values the program keeps of it in memory during a run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/drawing_setup.h"
#include "app/program_folder.h"
#include "app/text_buffer.h"

// The program folder, \ and "set.ini", built afresh at every use. False
// (and out empty) when the program folder is unknown.
bool settingsPath(TextBuffer& out);

// One section of a profile file. Every call is one profile-service call;
// results of writes are not checked (a read-only file loses them silently).
class IniSection {
public:
    IniSection(const char* path, const char* section) : path_(path), section_(section) {}

    int32_t getInt(const char* key, int32_t fallback) const;
    // Fills out up to its capacity.
    void getText(const char* key, TextBuffer& out, const char* fallback) const;
    // size counts the terminator.
    void getText(const char* key, char* buffer, size_t size, const char* fallback) const;
    void setInt(const char* key, int32_t value) const;
    void setText(const char* key, const char* text) const;
    // Removes the section of that name with all its keys.
    void eraseSection(const char* name) const;

private:
    TextBuffer path_;
    TextBuffer section_;
};

// Bits of OptionFlag; the others have no meaning and are kept as read.
enum : uint16_t {
    optionAskOverwrite = 0x1,
    optionPlaybackProgress = 0x2,
    optionSavePicture = 0x4,
    optionSaveThumbnail = 0x8,
    optionSaveAnimation = 0x10,
};

// Bits of Timelapse: the timelapse files a save writes besides the picture.
enum : uint16_t {
    timelapseGif = 0x1,
    timelapseApng = 0x2,
};

// The size presets: 30 slots of (width, height); the first slot whose width
// is presetEnd ends the list, and every slot after it is empty too.
struct SizePreset {
    uint16_t width;
    uint16_t height;
};

constexpr int presetSlots = 30;
constexpr uint16_t presetEnd = 65535;

struct PresetTable {
    PresetTable() { clear(); }
    void clear();  // every slot (presetEnd, presetEnd)
    int count() const;
    SizePreset slots[presetSlots];
};

// What the save flow reads and the save dialog changes. The defaults are
// those of a missing set.ini.
struct SaveOptions {
    SaveOptions() { saveFile.assign("000"); }
    TextBuffer saveDir{pathCapacity};
    TextBuffer saveFile{255};
    uint16_t OptionFlag = optionAskOverwrite | optionPlaybackProgress | optionSavePicture | optionSaveAnimation;
    uint16_t SaveType = 1;      // 0 BMP, 1 PNG, 2 JPEG, 3 GIF
    uint16_t JPEGSave = 0x8055; // quality 85, progressive
    uint16_t ThumType = 1;      // 0 BMP, 1 PNG, 2 JPEG
    uint16_t ThumComp = 0x8055;
    uint16_t ThumWPers = 50;
    uint16_t ThumHPers = 50;
    int32_t ColorTP = 0xFFFFFF;  // 0x00BBGGRR; bit 31 set: transparency on
    uint16_t Timelapse = 0;      // timelapseGif, timelapseApng
    uint16_t TimelapseFrames = 120;  // frames of a timelapse, 0: the painter sends none
    uint16_t TimelapseSize = 480;    // its longer side at most, in pixels
};

// What a drawing page asks the built-in painter for, from the stored
// timelapse options.
TimelapseAsk timelapseAsk(const SaveOptions& options);

// Everything of section Setting and ImgPreset held during a run, apart
// from the drawing set-up that the main window's controls hold.
struct Settings : SaveOptions {
    Settings();  // with the nine default presets
    uint16_t Port = 80;
    // The server listens on every interface, not on loopback only (key
    // OpenToNetwork, 0 or 1).
    bool OpenToNetwork = false;
    PresetTable presets;
};

// Reads sections Setting and ImgPreset of the file at path (or of set.ini
// in the program folder). An empty SaveDir becomes the program folder; a
// selection outside its list becomes -1 (none); a SaveType above 3 or a
// ThumType above 2 falls back to PNG.
void loadSettings(const char* path, Settings& settings, DrawingSetup& setup);
void loadSettings(Settings& settings, DrawingSetup& setup);

// Writes section Setting in the order loadSettings reads it, then rewrites
// ImgPreset with the presets up to the end of the list.
void saveSettings(const char* path, const Settings& settings, const DrawingSetup& setup);
void saveSettings(const Settings& settings, const DrawingSetup& setup);
