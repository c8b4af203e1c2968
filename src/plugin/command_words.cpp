#include "command_words.h"

#include <cstring>

namespace {

constexpr const char kCommandPrefix[] = "@Velnor.";
constexpr const char kAdapterWord[] = "adapter.";

// Whether `text` begins with `prefix` (its length known at compile time).
template <std::size_t N> bool startsWith(const char* text, const char (&prefix)[N]) {
    return std::strncmp(text, prefix, N - 1) == 0;
}

} // namespace

CommandMatch matchCommand(const char* text) {
    CommandMatch match{};
    if (text == nullptr)
        return match;
    match.show = std::strcmp(text, "@KSShowPlugins") == 0;
    match.hide = std::strcmp(text, "@KSHidePlugins") == 0;
    if (!startsWith(text, kCommandPrefix))
        return match;
    const char* rest = text + sizeof kCommandPrefix - 1;
    if (startsWith(rest, kAdapterWord)) {
        rest += sizeof kAdapterWord - 1;
        match.adapterNumber = rest;
    }
    match.read = startsWith(rest, "settings.read");
    match.write = startsWith(rest, "settings.write");
    match.edit = startsWith(rest, "settings.edit");
    match.about = startsWith(rest, "about");
    return match;
}

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
