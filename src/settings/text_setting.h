// Where a text value goes in the settings file, by the shell's file syntax (keys matched without
// regard to case, blanks before them, '!' and '#' comment lines, the first match wins). The shell
// writes only numbers; "Velnor.interface:" is a text. Win32-free.
#pragma once

#include <cstddef>

// Bytes [begin, end) give way to `lead`, then the key and a blank when `withKey`, then the value,
// then `ending`.
struct TextSettingEdit {
    std::size_t begin, end;
    const char* lead; // a line ending before an appended line, when the file's last has none
    bool withKey;
    const char* ending;
};

// The first line with `key` gets the value in place of its old one (the key as written and the
// line ending stay); else a line is appended in the file's own line ending.
TextSettingEdit planTextSetting(const char* data, std::size_t size, const char* key);
