#include "app/text_buffer.h"

#include <cstdio>
#include <cstring>

#include "app/dbcs.h"
#include "platform/platform.h"

namespace {

int initialCapacity(int n) {
    if (n < 64) return 63;
    if (n < 128) return 127;
    if (n < 256) return 255;
    if (n < 512) return 511;
    return n;
}

int grownCapacity(int n) {
    if (n <= 127) return 127;
    if (n < 256) return 255;
    if (n < 512) return 511;
    return n;
}

char* newBlock(int capacity) {
    char* block = new char[static_cast<size_t>(capacity) + 1];
    block[0] = '\0';
    return block;
}

int fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

TextBuffer::TextBuffer() : data_(newBlock(63)), capacity_(63) {}

TextBuffer::TextBuffer(int requested) : capacity_(initialCapacity(requested)) { data_ = newBlock(capacity_); }

TextBuffer::TextBuffer(const char* text) : TextBuffer() { assign(text); }

TextBuffer::~TextBuffer() {
    delete[] data_;
    capacity_ = 0;
}

int TextBuffer::length() const { return static_cast<int>(std::strlen(data_)); }

void TextBuffer::grow(int n) {
    if (capacity_ >= n) return;
    int capacity = grownCapacity(n);
    char* block = newBlock(capacity);
    std::memcpy(block, data_, std::strlen(data_) + 1);
    delete[] data_;
    data_ = block;
    capacity_ = capacity;
}

void TextBuffer::assign(const char* text) {
    int n = static_cast<int>(std::strlen(text));
    if (text >= data_ && text <= data_ + capacity_) {  // assigning a part of itself
        std::memmove(data_, text, static_cast<size_t>(n) + 1);
        return;
    }
    grow(n);
    std::memcpy(data_, text, static_cast<size_t>(n) + 1);
}

void TextBuffer::append(const char* text) {
    int own = length();
    int n = static_cast<int>(std::strlen(text));
    if (text >= data_ && text <= data_ + capacity_) {
        TextBuffer copy(text);
        append(copy.text());
        return;
    }
    grow(own + n);
    std::memcpy(data_ + own, text, static_cast<size_t>(n) + 1);
}

int TextBuffer::compareNoCase(const char* text) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(data_);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text);
    for (;; ++a, ++b) {
        int d = fold(*a) - fold(*b);
        if (d != 0 || !*a) return d;
    }
}

int TextBuffer::setCharAt(int index, char ch) {
    if (index >= 0 && index < capacity_) data_[index] = ch;
    return index;
}

int TextBuffer::find(int from, char ch) const {
    if (from < 0 || from > length()) return -1;
    return dbcs::find(data_, from, ch);
}

int TextBuffer::findLast(char ch) const { return dbcs::findLast(data_, ch); }

void TextBuffer::replaceAll(char ch, char by) {
    int n = length();
    for (int i = 0; i < n; ++i) {
        if (data_[i] == ch) data_[i] = by;
    }
}

void TextBuffer::substring(TextBuffer& out, int from, int count) const {
    int n = length();
    if (from < 0 || from > n) from = n;
    if (count < 0 || from + count > n) count = n - from;
    out.grow(count);
    std::memmove(out.data_, data_ + from, static_cast<size_t>(count));
    out.data_[count] = '\0';
}

void TextBuffer::formatInt(int n) { std::snprintf(data_, static_cast<size_t>(capacity_) + 1, "%d", n); }

void TextBuffer::loadString(int id) {
    if (platform::stringResource(id, data_, static_cast<size_t>(capacity_)) == 0) data_[0] = '\0';
}

int TextBuffer::lastSeparator() const {
    int back = findLast('\\');
    return back >= 0 ? back : findLast('/');
}

void TextBuffer::fileNamePart(TextBuffer& out) const { substring(out, lastSeparator() + 1, -1); }

void TextBuffer::cutToDirectory() {
    int cut = lastSeparator();
    data_[cut >= 0 ? cut : 0] = '\0';
}

void TextBuffer::extension(TextBuffer& out) const {
    int dot = findLast('.');
    if (dot < 0) {
        out.clear();
        return;
    }
    substring(out, dot + 1, -1);
}

void TextBuffer::baseName(TextBuffer& out) const {
    int start = lastSeparator() + 1;
    int dot = findLast('.');
    substring(out, start, dot >= start ? dot - start : -1);
}

bool TextBuffer::isValidFileName(bool showMessage) const {
    static const char forbidden[] = "\\/:,;*?\"<>|";
    bool valid = true;
    for (const char* f = forbidden; *f && valid; ++f) valid = find(0, *f) < 0;
    if (!valid && showMessage) {
        TextBuffer message;
        for (const char* f = forbidden; *f; ++f) {
            char piece[3] = {*f, f[1] ? ' ' : '\0', '\0'};
            message.append(piece);
        }
        message.append("\nはファイル名に使用できません");
        platform::messageBox(nullptr, message.text(), "ファイル名エラー",
                             platform::boxIconWarning | platform::boxSystemModal);
    }
    return valid;
}
