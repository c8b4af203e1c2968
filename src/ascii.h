// Letters compared without their case. The settings' words, keys and units are ASCII, so no
// locale is asked. Win32-free.
#pragma once

#include <cstddef>

// The blanks the settings file's syntax skips around keys and values.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The `length` bytes at `a` and at `b` are the same but for the case of their letters.
inline bool sameLetters(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

// `text` is the lower-case `word` in any letter case; a null text is no word.
inline bool isWord(const char* text, const char* word) {
    if (text == nullptr)
        return false;
    for (; *word; ++text, ++word)
        if (asciiLower(*text) != *word)
            return false;
    return *text == '\0';
}
