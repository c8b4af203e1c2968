#include <cstdarg>
#include <cstdio>

#include "host.h"

namespace {

struct LogState {
    std::vector<std::string> lines;
    std::string file;
};
LogState logState;

} // namespace

void hostLog(const char* format, ...) {
    // Measured first: a line of quoted texts can outgrow any fixed buffer, and a cut line would
    // lose its result without a sign.
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    vsnprintf(&line[0], line.size() + 1, format, again);
    va_end(again);
    logState.lines.push_back(line);
    if (logState.file.empty())
        return;
    if (FILE* out = fopen(logState.file.c_str(), "ab")) {
        fprintf(out, "%s\n", line.c_str());
        fclose(out);
    }
}

std::vector<std::string>& hostLogLines() {
    return logState.lines;
}

void hostSetLogFile(const char* path) {
    logState.file = path ? path : "";
    if (logState.file.empty())
        return;
    if (FILE* out = fopen(logState.file.c_str(), "wb"))
        fclose(out);
}

// Texts come from the plug-in and may hold anything; the log keeps one call per line, so line
// breaks and other control bytes are escaped, and a long text is cut with a marker.
std::string hostQuote(const char* text) {
    if (!text)
        return "null";
    constexpr size_t kMaxLogged = 512;
    std::string quoted = "\"";
    size_t length = 0;
    for (; text[length] && length < kMaxLogged; ++length) {
        const unsigned char c = static_cast<unsigned char>(text[length]);
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\x%02x", c);
                quoted += escape;
            } else {
                quoted += static_cast<char>(c);
            }
        }
    }
    quoted += '"';
    if (text[length])
        quoted += "...";
    return quoted;
}

std::string hostHex(uintptr_t value) {
    char digits[2 + 2 * sizeof value + 1];
    char* end = digits + sizeof digits - 1;
    char* p = end;
    *p = '\0';
    do {
        *--p = "0123456789abcdef"[value & 0xf];
        value >>= 4;
    } while (value);
    *--p = 'x';
    *--p = '0';
    return p;
}

std::string hostHex(const void* pointer) {
    return hostHex(reinterpret_cast<uintptr_t>(pointer));
}
