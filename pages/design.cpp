#include "pages/design.h"

#include <cstdio>

#include "pages/page_params.h"

const DesignColour designColours[designColourCount] = {
    {"HTML背景色", nullptr},
    {"ｷｬﾝﾊﾞｽ背景色", "image_bkcolor"},
    {"ﾃｷｽﾄ色", "color_text"},
    {"ｱﾌﾟﾚｯﾄ背景色", "color_bk"},
    {"ｱﾌﾟﾚｯﾄの網状の線の色", "color_bk2"},
    {"ｱｲｺﾝの背景色", "color_icon"},
    {"ｱｲｺﾝの枠の色", "color_frame"},
    {"ｱｲｺﾝ選択時の枠の色", "color_iconselect"},
    {"ｽｸﾛｰﾙﾊﾞｰの色", "color_bar"},
    {"ｽｸﾛｰﾙﾊﾞｰのﾊｲﾗｲﾄ色", "color_bar_hl"},
    {"ｽｸﾛｰﾙﾊﾞｰのﾌﾚｰﾑの明るい色", "color_bar_frame_hl"},
    {"ｽｸﾛｰﾙﾊﾞｰのﾌﾚｰﾑの暗い色", "color_bar_frame_shadow"},
    {"ﾂｰﾙﾊﾞｰﾎﾞﾀﾝ1の背景色", "tool_color_button"},
    {"ﾂｰﾙﾊﾞｰﾎﾞﾀﾝ2の背景色", "tool_color_button2"},
    {"ﾂｰﾙﾊﾞｰﾃｷｽﾄの色", "tool_color_text"},
    {"ﾂｰﾙﾊﾞｰ（下）の背景色", "tool_color_bar"},
    {"ﾂｰﾙﾊﾞｰ枠の色", "tool_color_frame"},
};

namespace {

void colourKey(int number, char (&key)[16]) { std::snprintf(key, sizeof key, "color%d", number); }

}  // namespace

int32_t pageColour(const IniSection& design) {
    char key[16];
    colourKey(1, key);
    int32_t colour = design.getInt(key, noDesignColour);
    return colour == noDesignColour ? defaultPageColour : colour;
}

void writeDesignParams(FileHandle& file, AppletKind kind, const IniSection& design) {
    TextBuffer colour;
    for (int number = 2; number <= designColourCount; ++number) {
        char key[16];
        colourKey(number, key);
        int32_t value = design.getInt(key, noDesignColour);
        if (value == noDesignColour) continue;
        htmlColour(value, colour);
        writeParam(file, designColours[number - 1].parameter, colour.text());
    }
    writeParam(file, "bar_size", design.getInt("ScrollSize", defaultScrollSize));
    if (kind == AppletKind::PaintBBS) return;
    TextBuffer cursor(255);
    design.getText("Cursor", cursor, "");
    if (!cursor.isEmpty()) writeParam(file, "cursor_1", cursor.text());
}
