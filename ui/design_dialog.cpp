#include "ui/design_dialog.h"

#include <cstdio>
#include <string>

#include "app/file_handle.h"
#include "app/program_folder.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "platform/platform.h"
#include "platform/win32/gdi_owners.h"
#include "platform/win32/wide.h"
#include "ui/file_choosers.h"
#include "ui/resource_ids.h"

namespace {

constexpr char section[] = "Design";
constexpr int cursorCapacity = 255;
constexpr int swatchInset = 2;
constexpr int labelGap = 4;
constexpr COLORREF white = RGB(0xFF, 0xFF, 0xFF);

void colourKey(int index, char (&key)[16]) { std::snprintf(key, sizeof key, "color%d", index + 1); }

IniSection designSection(TextBuffer& file) {
    settingsPath(file);
    return IniSection(file.text(), section);
}

bool isPictureName(const TextBuffer& name) {
    TextBuffer extension;
    name.extension(extension);
    return extension.compareNoCase("gif") == 0 || extension.compareNoCase("png") == 0;
}

}  // namespace

// ---- The colour list ----------------------------------------------------------

bool ColourList::drawColourLine(const DRAWITEMSTRUCT& record) const {
    if (record.hwndItem != handle()) return false;
    int index = static_cast<int>(record.itemID);
    if (!colours || index < 0 || index >= designColourCount) return true;
    HDC dc = record.hDC;
    const RECT& line = record.rcItem;
    bool selected = (record.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &line, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    int32_t colour = colours[index];
    RECT swatch{line.left + swatchInset, line.top + swatchInset, line.left + (line.bottom - line.top) - swatchInset,
                line.bottom - swatchInset};
    platform::win32::Brush fill(CreateSolidBrush(colour < 0 ? white : static_cast<COLORREF>(colour)));
    FillRect(dc, &swatch, fill.handle);
    FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (colour < 0) {
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, swatch.left, swatch.top, nullptr);
        LineTo(dc, swatch.right, swatch.bottom);
        MoveToEx(dc, swatch.right - 1, swatch.top, nullptr);
        LineTo(dc, swatch.left - 1, swatch.bottom);
        SelectObject(dc, oldPen);
    }

    TextBuffer label;
    text(index, label);
    std::wstring wideLabel = platform::win32::wide(label.text());
    SIZE extent{};
    GetTextExtentPoint32W(dc, wideLabel.c_str(), static_cast<int>(wideLabel.size()), &extent);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int top = line.top + ((line.bottom - line.top) - extent.cy) / 2;
    TextOutW(dc, swatch.right + labelGap, top, wideLabel.c_str(), static_cast<int>(wideLabel.size()));
    return true;
}

// ---- The dialog -----------------------------------------------------------------

INT_PTR DesignDialog::run(HWND owner) { return showModal(IDD_DESIGN, owner); }

bool DesignDialog::onInitDialog(LRESULT& value) {
    cursors_.attach(handle(), IDC_DESIGN_CURSOR);
    fillCursorList();
    TextBuffer file(pathCapacity);
    IniSection design = designSection(file);
    for (int i = 0; i < designColourCount; ++i) {
        char key[16];
        colourKey(i, key);
        colours_[i] = design.getInt(key, noDesignColour);
    }
    setItemUnsigned(IDC_DESIGN_SCROLL_SIZE, static_cast<uint32_t>(design.getInt("ScrollSize", defaultScrollSize)));
    TextBuffer cursor(cursorCapacity);
    design.getText("Cursor", cursor, "");
    setItemText(IDC_DESIGN_CURSOR, cursor.text());
    list_.attach(handle(), IDC_DESIGN_COLOURS);
    list_.colours = colours_;
    for (const DesignColour& row : designColours) list_.addString(row.label);
    list_.setSelection(0);
    value = TRUE;
    return true;
}

void DesignDialog::fillCursorList() {
    TextBuffer pattern(pathCapacity);
    if (!programFolder(pattern)) return;
    pattern.append("\\res\\*.*");
    FileFinder finder;
    for (bool found = finder.first(pattern.text()); found; found = finder.next()) {
        if (finder.entry().isFolder) continue;
        TextBuffer name;
        finder.name(name);
        if (isPictureName(name)) cursors_.addString(name.text());
    }
}

bool DesignDialog::onCommand(int id, int, HWND) {
    switch (id) {
    case IDC_DESIGN_SET_COLOUR: {
        COLORREF chosen = 0;
        if (chooseColour(handle(), chosen)) setSelectedColour(static_cast<int32_t>(chosen & 0xFFFFFF));
        return true;
    }
    case IDC_DESIGN_DEFAULT:
        setSelectedColour(noDesignColour);
        return true;
    case IDC_DESIGN_ALL_DEFAULT:
        if (messageBox("全てデフォルトにしますか？", "確認", platform::boxYesNo | platform::boxIconQuestion) ==
            platform::answerYes) {
            for (int32_t& colour : colours_) colour = noDesignColour;
            repaintList();
        }
        return true;
    case IDOK:
        saveDesign();
        endDialog(1);
        return true;
    case IDCANCEL:
        endDialog(0);
        return true;
    default:
        return false;
    }
}

bool DesignDialog::onDrawItem(const DRAWITEMSTRUCT& record) { return list_.drawColourLine(record); }

void DesignDialog::setSelectedColour(int32_t colour) {
    int selected = list_.selection();
    if (selected < 0 || selected >= designColourCount) return;
    colours_[selected] = colour;
    repaintList();
}

// Every visible line is drawn again; the background is not erased first.
void DesignDialog::repaintList() { list_.invalidate(false); }

void DesignDialog::saveDesign() {
    TextBuffer file(pathCapacity);
    IniSection design = designSection(file);
    for (int i = 0; i < designColourCount; ++i) {
        char key[16];
        colourKey(i, key);
        design.setInt(key, colours_[i]);
    }
    design.setInt("ScrollSize", static_cast<int32_t>(itemUnsigned(IDC_DESIGN_SCROLL_SIZE)));
    TextBuffer cursor(cursorCapacity);
    itemText(IDC_DESIGN_CURSOR, cursor);
    design.setText("Cursor", cursor.text());
}
