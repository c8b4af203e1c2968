// Small file and log helpers for the Windows tests: each test works in a folder of its own under
// the test's working directory.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "support/lines.h"
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
