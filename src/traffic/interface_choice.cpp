#include "traffic/interface_choice.h"

#include <cstdio>
#include <cstring>

#include "ascii.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = asciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The GUID's groups of hex digits and how many bytes each holds; the first three are numbers
// stored little-endian, the last two bytes in order.
bool parseGuid(const char* text, unsigned char* out) {
    static const int kGroups[] = {4, 2, 2, 2, 6};
    if (std::strlen(text) != 38 || text[0] != '{' || text[37] != '}')
        return false;
    const char* at = text + 1;
    int stored = 0;
    for (int group = 0; group < 5; ++group) {
        if (group > 0 && *at++ != '-')
            return false;
        unsigned char bytes[6];
        for (int i = 0; i < kGroups[group]; ++i) {
            const int high = hexDigit(at[0]), low = hexDigit(at[1]);
            if (high < 0 || low < 0)
                return false;
            bytes[i] = static_cast<unsigned char>(high * 16 + low);
            at += 2;
        }
        const bool number = group < 3;
        for (int i = 0; i < kGroups[group]; ++i)
            out[stored++] = bytes[number ? kGroups[group] - 1 - i : i];
    }
    return true;
}

// The length of `text` without blanks at its ends, `text` moved past those at its start.
std::size_t trimBlanks(const char*& text) {
    while (isBlank(*text))
        ++text;
    std::size_t length = std::strlen(text);
    while (length > 0 && isBlank(text[length - 1]))
        --length;
    return length;
}

bool holds(const InterfaceChoice& choice, const char* text, const RowCounters& row, int at,
           const char* (*description)(int row)) {
    if (choice.byGuid)
        return row.hasGuid && std::memcmp(row.guid, choice.guid, sizeof row.guid) == 0;
    // The settings file keeps no blanks at a value's ends, and a description may have some.
    const char* shown = description(at);
    const std::size_t length = trimBlanks(shown);
    return trimBlanks(text) == length && std::memcmp(shown, text, length) == 0;
}

} // namespace

InterfaceChoice parseInterfaceChoice(const char* text) {
    InterfaceChoice choice{};
    if (text == nullptr || *text == '\0')
        choice.mode = InterfaceMode::Position;
    else if (isWord(text, "auto"))
        choice.mode = InterfaceMode::Auto;
    else if (isWord(text, "all"))
        choice.mode = InterfaceMode::All;
    else {
        choice.mode = InterfaceMode::Named;
        choice.byGuid = parseGuid(text, choice.guid);
    }
    return choice;
}

void formatGuid(const unsigned char* b, char* out, std::size_t size) {
    std::snprintf(out, size,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
}

int namedRow(const InterfaceChoice& choice, const char* text, const RowCounters* rows, int count,
             const char* (*description)(int row), int hint) {
    if (hint >= 0 && hint < count && holds(choice, text, rows[hint], hint, description))
        return hint;
    for (int row = 0; row < count; ++row)
        if (row != hint && holds(choice, text, rows[row], row, description))
            return row;
    return -1;
}

int rowOfIndex(std::uint32_t index, const RowCounters* rows, int count, int hint) {
    if (hint >= 0 && hint < count && rows[hint].reading.index == index)
        return hint;
    for (int row = 0; row < count; ++row)
        if (rows[row].reading.index == index)
            return row;
    return -1;
}

bool connectorsReported(const RowCounters* rows, int count) {
    for (int row = 0; row < count; ++row)
        if (rows[row].connector)
            return true;
    return false;
}

bool countedInAll(const RowCounters& row, bool connectors) {
    return connectors ? row.connector : row.type != kLoopbackType;
}
