#include "settings/text_setting.h"

#include <cstring>

#include "ascii.h"

TextSettingEdit planTextSetting(const char* data, std::size_t size, const char* key) {
    const std::size_t keyLength = std::strlen(key);
    const void* firstNewline = size ? std::memchr(data, '\n', size) : nullptr;
    const char* ending =
        firstNewline && firstNewline != data && static_cast<const char*>(firstNewline)[-1] == '\r'
            ? "\r\n"
            : "\n";
    for (std::size_t lineStart = 0; lineStart < size;) {
        const void* newline = std::memchr(data + lineStart, '\n', size - lineStart);
        const std::size_t lineEnd =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - data) : size;
        std::size_t at = lineStart;
        while (at < lineEnd && isBlank(data[at]))
            ++at;
        const bool comment = at < lineEnd && (data[at] == '!' || data[at] == '#');
        if (!comment && lineEnd - at >= keyLength && sameLetters(data + at, key, keyLength)) {
            std::size_t begin = at + keyLength, end = lineEnd;
            if (end > begin && data[end - 1] == '\r')
                --end;
            const bool blank = begin < end && isBlank(data[begin]);
            while (begin < end && isBlank(data[begin]))
                ++begin;
            return TextSettingEdit{begin, end, blank ? "" : " ", false, ""};
        }
        lineStart = lineEnd + 1;
    }
    // A last line cut after its CR is completed to CRLF: another ending after the CR would leave
    // the CR in that line's value.
    const char* lead = size == 0 || data[size - 1] == '\n' ? ""
                       : data[size - 1] == '\r'            ? "\n"
                                                           : ending;
    return TextSettingEdit{size, size, lead, true, ending};
}
