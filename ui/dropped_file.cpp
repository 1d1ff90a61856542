#include "ui/dropped_file.h"

#include <string>

#include "app/text_buffer.h"
#include "platform/win32/wide.h"
#include "ui/text_convert.h"

bool takeFirstDroppedFile(HDROP drop, TextBuffer& out) {
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    UINT copied = length ? DragQueryFileW(drop, 0, name.data(), length + 1) : 0;
    DragFinish(drop);
    if (copied == 0) return false;
    name.resize(copied);
    assignCut(out, platform::win32::narrow(name.c_str()), out.capacity());
    return true;
}
