#include "command_words.h"

bool parsePosition(const char* text, int count, int& position) {
    if (text == nullptr || count <= 0 || *text < '0' || *text > '9')
        return false;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        // The value stays below `count` at every digit, so ten times it cannot overflow 64 bits.
        value = value * 10 + (*text - '0');
        if (value >= count)
            return false;
    }
    position = static_cast<int>(value);
    return true;
}
