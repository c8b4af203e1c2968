#include "settings_syntax.h"

#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameText(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The line ending the file already uses, so that an appended line matches its neighbours.
const char* lineEnding(const char* data, std::size_t size) {
    const void* newline = std::memchr(data, '\n', size);
    if (!newline)
        return "\r\n";
    const char* at = static_cast<const char*>(newline);
    return at > data && at[-1] == '\r' ? "\r\n" : "\n";
}

} // namespace

bool findSetting(const char* data, std::size_t size, const char* key, SettingValue& value) {
    std::size_t keyLength = key ? std::strlen(key) : 0;
    if (keyLength == 0 || !data)
        return false;
    std::size_t lineStart = 0;
    while (lineStart < size) {
        const void* newline = std::memchr(data + lineStart, '\n', size - lineStart);
        std::size_t lineEnd =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - data) : size;
        std::size_t p = lineStart;
        while (p < lineEnd && isBlank(data[p]))
            ++p;
        bool comment = p < lineEnd && (data[p] == '!' || data[p] == '#');
        if (!comment && lineEnd - p >= keyLength && sameText(data + p, key, keyLength)) {
            std::size_t begin = p + keyLength;
            std::size_t end = lineEnd;
            if (end > begin && data[end - 1] == '\r')
                --end;
            value.lineEnd = end;
            while (begin < end && isBlank(data[begin]))
                ++begin;
            while (end > begin && isBlank(data[end - 1]))
                --end;
            value.begin = begin;
            value.end = end;
            return true;
        }
        lineStart = lineEnd + 1;
    }
    return false;
}

bool parseSettingInt(const char* text, std::size_t length, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == length)
        return false;
    std::int64_t magnitude = 0;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL)
            return false;
    }
    if (!negative && magnitude > 2147483647LL)
        return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool parseSettingBool(const char* text, std::size_t length, bool& value) {
    if (length == 4 && sameText(text, "true", 4)) {
        value = true;
        return true;
    }
    if (length == 5 && sameText(text, "false", 5)) {
        value = false;
        return true;
    }
    return false;
}

bool parseSettingColor(const char* text, std::size_t length, std::uint32_t& value) {
    if (length != 7 || text[0] != '#')
        return false;
    std::uint32_t rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        int digit = hexDigit(text[i]);
        if (digit < 0)
            return false;
        rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
    }
    // The file holds red first; the value holds red in its lowest byte.
    value = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    return true;
}

SettingEdit planSettingWrite(const char* data, std::size_t size, const char* key,
                             const char* valueText) {
    SettingEdit edit;
    SettingValue found;
    if (findSetting(data, size, key, found)) {
        // The old value and the blanks behind it go; the key as written and the line ending stay.
        edit.begin = found.begin;
        edit.end = found.lineEnd;
        edit.text = valueText;
        return edit;
    }
    edit.begin = edit.end = size;
    const char* ending = lineEnding(data, size);
    if (size > 0 && data[size - 1] != '\n')
        edit.text = ending;
    edit.text += key;
    edit.text += ' ';
    edit.text += valueText;
    edit.text += ending;
    return edit;
}
