// The program's string: a NUL-terminated code page 932 text on the heap with
// a capacity (characters that fit, not counting the terminator).
#pragma once

#include <cstddef>
#include <cstdint>

// The capacity of a path wherever the program holds one (its fields, set.ini,
// the files it names), and of its other long texts: replies and questions.
constexpr int pathCapacity = 511;
constexpr int longTextCapacity = 511;

class TextBuffer {
public:
    TextBuffer();                       // capacity 63
    explicit TextBuffer(int requested); // 63, 127, 255, 511 or exactly requested
    explicit TextBuffer(const char* text);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    const char* text() const { return data_; }
    char* data() { return data_; }
    int capacity() const { return capacity_; }
    int sizeWithTerminator() const { return capacity_ + 1; }
    int length() const;
    bool isEmpty() const { return data_[0] == '\0'; }

    void assign(const char* text);
    void append(const char* text);
    void clear() { data_[0] = '\0'; }
    // Makes room for n characters; capacity never shrinks.
    void grow(int n);

    int compareNoCase(const char* text) const;
    // Stores ch only when index < capacity; returns index.
    int setCharAt(int index, char ch);
    int find(int from, char ch) const;
    int findLast(char ch) const;
    // Replaces every single-byte ch; used to turn "\n" separators into NULs.
    void replaceAll(char ch, char by);
    // count -1, or one running past the end, means to the end.
    void substring(TextBuffer& out, int from, int count) const;

    // Writes n in decimal into the existing block without growing it.
    void formatInt(int n);
    // String-table entry id of the program's resources, at most capacity characters.
    void loadString(int id);

    // Path helpers: \ and / alike, the last \ preferred.
    void fileNamePart(TextBuffer& out) const;
    void cutToDirectory();
    void extension(TextBuffer& out) const;
    void baseName(TextBuffer& out) const;

    // False when the text holds one of \ / : , ; * ? " < > |; with showMessage
    // the file-name warning is shown first.
    bool isValidFileName(bool showMessage) const;

private:
    int lastSeparator() const;

    char* data_;
    int capacity_;
};

// A text that is copied with what holds it (a drawing set-up's path): the
// copy has the same text in a block of its own.
class CopiedText : public TextBuffer {
public:
    explicit CopiedText(int requested) : TextBuffer(requested) {}
    CopiedText(const CopiedText& other) : TextBuffer(other.capacity()) { assign(other.text()); }
    CopiedText& operator=(const CopiedText& other) {
        assign(other.text());
        return *this;
    }
};
