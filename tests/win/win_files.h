// Small file and log helpers for the Windows tests: each test works in a folder of its own under
// the test's working directory.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "settings/settings.h"

inline std::string freshFolder(const std::string& name) {
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string folder = std::string(current) + "\\" + name;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string path = folder + "\\" + entry.cFileName;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

// A fresh folder for the widget's files: its plug-in directory, with Velnor.rc as its settings.
inline std::string useSettingsFolder(const std::string& name) {
    const std::string folder = freshFolder(name);
    usePaths(folder.c_str(), (folder + "Velnor.rc").c_str());
    return folder;
}

// False when the file could not be written whole.
inline bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// The file's bytes; `missing` when it cannot be opened.
inline std::string readFile(const std::string& path, const char* missing = "<missing>") {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return missing;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

// The text's lines without their CR LF or LF; a last line without one counts too.
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The lines of `lines` that start with `prefix`, in order.
inline std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                                  const std::string& prefix) {
    std::vector<std::string> selected;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0)
            selected.push_back(line);
    return selected;
}

inline int countLinesStartingWith(const std::vector<std::string>& lines,
                                  const std::string& prefix) {
    return static_cast<int>(linesStartingWith(lines, prefix).size());
}

inline std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}
