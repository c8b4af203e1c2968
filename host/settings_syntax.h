// The settings file's syntax over a byte buffer, free of Win32 so that it is tested and fuzzed
// natively: one "key: value" a line, keys (colon included) matched without regard to case, the
// first match wins, lines starting with '!' or '#' are comments. Any bytes are accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SettingValue {
    std::size_t begin, end; // the value's bytes: blanks around it and the line ending excluded
    std::size_t lineEnd;    // where the line's ending (or the file) begins
};

// The first line holding `key`; false when there is none or the key is empty.
bool findSetting(const char* data, std::size_t size, const char* key, SettingValue& value);

// Whole-value conversions; false for anything else, so that the caller keeps its default.
bool parseSettingInt(const char* text, std::size_t length, std::int32_t& value);
bool parseSettingBool(const char* text, std::size_t length, bool& value);
// "#RRGGBB" to red in the lowest byte, then green, then blue.
bool parseSettingColor(const char* text, std::size_t length, std::uint32_t& value);

// How storing `valueText` under `key` changes the file: bytes [begin, end) become `text`.
// The first line with the key gets the new value in place of its old one; without such a line
// one is appended in the file's own line ending. Every other byte stays as it was.
struct SettingEdit {
    std::size_t begin, end;
    std::string text;
};
SettingEdit planSettingWrite(const char* data, std::size_t size, const char* key,
                             const char* valueText);
