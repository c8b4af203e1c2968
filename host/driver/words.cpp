#include "parts.h"

#include <cstdint>
#include <cstdlib>

std::string firstWord(const std::string& text, std::string& rest) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        rest.clear();
        return "";
    }
    const size_t end = text.find_first_of(" \t", start);
    if (end == std::string::npos) {
        std::string word = text.substr(start);
        rest.clear();
        return word;
    }
    std::string word = text.substr(start, end - start);
    rest = text.substr(end + 1); // may be `text` itself
    return word;
}

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return "";
    const size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

bool parseNumber(const std::string& word, long long& value) {
    if (word.empty())
        return false;
    char* end = nullptr;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    value = hex ? static_cast<long long>(strtoull(word.c_str(), &end, 16))
                : strtoll(word.c_str(), &end, 10);
    return *end == '\0';
}

bool parseInts(const std::string& text, int* values, int count) {
    std::string rest = text;
    for (int i = 0; i < count; ++i) {
        long long value = 0;
        if (!parseNumber(firstWord(rest, rest), value) || value < INT32_MIN || value > INT32_MAX)
            return false;
        values[i] = static_cast<int>(value);
    }
    return trimmed(rest).empty();
}

bool parseSwitch(const std::string& text, const char* on, const char* off, bool& value) {
    const std::string word = trimmed(text);
    if (word != on && word != off)
        return false;
    value = word == on;
    return true;
}
