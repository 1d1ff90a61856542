#include "app/dbcs.h"

namespace dbcs {

int find(const char* text, int from, char ch) {
    for (int i = from; text[i]; i = nextIndex(text, i)) {
        if (text[i] == ch) return i;
    }
    return -1;
}

int findLast(const char* text, char ch) {
    int last = -1;
    for (int i = 0; text[i]; i = nextIndex(text, i)) {
        if (text[i] == ch) last = i;
    }
    return last;
}

}  // namespace dbcs
