#include "app/settings.h"

#include <cstdio>

#include "app/decimal.h"
#include "app/drawing_setup.h"
#include "platform/platform.h"

namespace {

constexpr size_t numberBufferSize = 32;
constexpr uint16_t highestSaveType = 3;
constexpr uint16_t highestThumType = 2;
constexpr int defaultPresetCount = 9;
constexpr uint16_t defaultPresetStep = 50;

void fillDefaultPresets(PresetTable& table) {
    table.clear();
    for (int i = 0; i < defaultPresetCount; ++i) {
        uint16_t side = static_cast<uint16_t>(defaultPresetStep * (i + 2));
        table.slots[i] = {side, side};
    }
}

uint16_t get16(const IniSection& ini, const char* key, uint16_t fallback) {
    return static_cast<uint16_t>(ini.getInt(key, fallback));
}

// A list selection; a value outside the list selects nothing.
int getSelection(const IniSection& ini, const char* key, int fallback, int entries) {
    int32_t value = ini.getInt(key, fallback);
    return value >= 0 && value < entries ? value : -1;
}

int selectionToWrite(int selection, int entries) { return selection >= 0 && selection < entries ? selection : -1; }

void presetKey(int index, char (&key)[numberBufferSize]) { std::snprintf(key, sizeof key, "preset%d", index); }

void loadPresets(const char* path, PresetTable& table) {
    IniSection ini(path, "ImgPreset");
    table.clear();
    for (int i = 0; i < presetSlots; ++i) {
        char key[numberBufferSize];
        char value[numberBufferSize];
        presetKey(i, key);
        ini.getText(key, value, sizeof value, "-1x-1");
        int32_t width = -1, height = -1;
        decimal::scanPair(value, 'x', width, height);
        if (width == -1 || height == -1) break;
        table.slots[i] = {static_cast<uint16_t>(width), static_cast<uint16_t>(height)};
    }
    if (table.slots[0].width == presetEnd) fillDefaultPresets(table);
}

void savePresets(const char* path, const PresetTable& table) {
    IniSection ini(path, "ImgPreset");
    ini.eraseSection("ImgPreset");
    int n = table.count();
    for (int i = 0; i < n; ++i) {
        char key[numberBufferSize];
        char value[numberBufferSize];
        presetKey(i, key);
        std::snprintf(value, sizeof value, "%dx%d", table.slots[i].width, table.slots[i].height);
        ini.setText(key, value);
    }
}

}  // namespace

bool settingsPath(TextBuffer& out) {
    if (!programFolder(out)) return false;
    out.append("\\set.ini");
    return true;
}

int32_t IniSection::getInt(const char* key, int32_t fallback) const {
    return platform::profileInt(section_.text(), key, fallback, path_.text());
}

void IniSection::getText(const char* key, TextBuffer& out, const char* fallback) const {
    getText(key, out.data(), static_cast<size_t>(out.sizeWithTerminator()), fallback);
}

void IniSection::getText(const char* key, char* buffer, size_t size, const char* fallback) const {
    platform::profileText(section_.text(), key, fallback, buffer, size, path_.text());
}

void IniSection::setInt(const char* key, int32_t value) const {
    char text[numberBufferSize];
    std::snprintf(text, sizeof text, "%d", value);
    setText(key, text);
}

void IniSection::setText(const char* key, const char* text) const {
    platform::writeProfileText(section_.text(), key, text, path_.text());
}

void IniSection::eraseSection(const char* name) const {
    platform::writeProfileText(name, nullptr, nullptr, path_.text());
}

void PresetTable::clear() {
    for (SizePreset& slot : slots) slot = {presetEnd, presetEnd};
}

int PresetTable::count() const {
    int n = 0;
    while (n < presetSlots && slots[n].width != presetEnd) ++n;
    return n;
}

Settings::Settings() { fillDefaultPresets(presets); }

TimelapseAsk timelapseAsk(const SaveOptions& options) {
    return {options.TimelapseFrames, options.TimelapseSize};
}

void loadSettings(const char* path, Settings& settings, DrawingSetup& setup) {
    const Settings defaults;
    const DrawingSetup setupDefaults;
    IniSection ini(path, "Setting");
    ini.getText("SaveDir", settings.saveDir, "");
    if (settings.saveDir.isEmpty()) programFolder(settings.saveDir);
    ini.getText("SaveFile", settings.saveFile, defaults.saveFile.text());
    settings.OptionFlag = get16(ini, "OptionFlag", defaults.OptionFlag);
    settings.SaveType = get16(ini, "SaveType", defaults.SaveType);
    if (settings.SaveType > highestSaveType) settings.SaveType = defaults.SaveType;
    settings.JPEGSave = get16(ini, "JPEGSave", defaults.JPEGSave);
    settings.ThumType = get16(ini, "ThumType", defaults.ThumType);
    if (settings.ThumType > highestThumType) settings.ThumType = defaults.ThumType;
    settings.ThumComp = get16(ini, "ThumComp", defaults.ThumComp);
    settings.ThumWPers = get16(ini, "ThumWPers", defaults.ThumWPers);
    settings.ThumHPers = get16(ini, "ThumHPers", defaults.ThumHPers);
    settings.ColorTP = ini.getInt("ColorTP", defaults.ColorTP);
    settings.Timelapse = get16(ini, "Timelapse", defaults.Timelapse);
    settings.TimelapseFrames = get16(ini, "TimelapseFrames", defaults.TimelapseFrames);
    settings.TimelapseSize = get16(ini, "TimelapseSize", defaults.TimelapseSize);
    settings.Port = get16(ini, "Port", defaults.Port);
    settings.OpenToNetwork = ini.getInt("OpenToNetwork", defaults.OpenToNetwork ? 1 : 0) != 0;

    setup.kind = getSelection(ini, "Applet", setupDefaults.kind, appletKindCount);
    setup.appletWidth = ini.getInt("AppletWidth", setupDefaults.appletWidth);
    setup.appletHeight = ini.getInt("AppletHeight", setupDefaults.appletHeight);
    setup.imageWidth = static_cast<uint32_t>(ini.getInt("ImageWidth", static_cast<int32_t>(setupDefaults.imageWidth)));
    setup.imageHeight = static_cast<uint32_t>(ini.getInt("ImageHeight", static_cast<int32_t>(setupDefaults.imageHeight)));
    setup.animation = ini.getInt("SaveAnim", setupDefaults.animation ? 1 : 0) != 0;
    setup.quality = getSelection(ini, "Quality", setupDefaults.quality, qualityCount);
    setup.layers = static_cast<uint32_t>(ini.getInt("Layer", static_cast<int32_t>(setupDefaults.layers)));
    setup.undo = static_cast<uint32_t>(ini.getInt("Undo", static_cast<int32_t>(setupDefaults.undo)));
    setup.undoBatch = static_cast<uint32_t>(ini.getInt("Undo2", static_cast<int32_t>(setupDefaults.undoBatch)));
    setup.palette = getSelection(ini, "Palette", setupDefaults.palette, paletteCount);
    setup.builtInPainter = ini.getInt("BuiltInPainter", setupDefaults.builtInPainter ? 1 : 0) != 0;

    setup.timelapse = timelapseAsk(settings);

    loadPresets(path, settings.presets);
}

void loadSettings(Settings& settings, DrawingSetup& setup) {
    TextBuffer path(pathCapacity);
    settingsPath(path);
    loadSettings(path.text(), settings, setup);
}

void saveSettings(const char* path, const Settings& settings, const DrawingSetup& setup) {
    IniSection ini(path, "Setting");
    ini.setText("SaveDir", settings.saveDir.text());
    ini.setText("SaveFile", settings.saveFile.text());
    ini.setInt("OptionFlag", settings.OptionFlag);
    ini.setInt("SaveType", settings.SaveType);
    ini.setInt("JPEGSave", settings.JPEGSave);
    ini.setInt("ThumType", settings.ThumType);
    ini.setInt("ThumComp", settings.ThumComp);
    ini.setInt("ThumWPers", settings.ThumWPers);
    ini.setInt("ThumHPers", settings.ThumHPers);
    ini.setInt("ColorTP", settings.ColorTP);
    ini.setInt("Timelapse", settings.Timelapse);
    ini.setInt("TimelapseFrames", settings.TimelapseFrames);
    ini.setInt("TimelapseSize", settings.TimelapseSize);
    ini.setInt("Port", settings.Port);
    ini.setInt("OpenToNetwork", settings.OpenToNetwork ? 1 : 0);

    ini.setInt("Applet", selectionToWrite(setup.kind, appletKindCount));
    ini.setInt("AppletWidth", setup.appletWidth);
    ini.setInt("AppletHeight", setup.appletHeight);
    ini.setInt("ImageWidth", static_cast<int32_t>(setup.imageWidth));
    ini.setInt("ImageHeight", static_cast<int32_t>(setup.imageHeight));
    ini.setInt("SaveAnim", setup.animation ? 1 : 0);
    ini.setInt("Quality", selectionToWrite(setup.quality, qualityCount));
    ini.setInt("Layer", static_cast<int32_t>(setup.layers));
    ini.setInt("Undo", static_cast<int32_t>(setup.undo));
    ini.setInt("Undo2", static_cast<int32_t>(setup.undoBatch));
    ini.setInt("Palette", selectionToWrite(setup.palette, paletteCount));
    ini.setInt("BuiltInPainter", setup.builtInPainter ? 1 : 0);

    savePresets(path, settings.presets);
}

void saveSettings(const Settings& settings, const DrawingSetup& setup) {
    TextBuffer path(pathCapacity);
    settingsPath(path);
    saveSettings(path.text(), settings, setup);
}
