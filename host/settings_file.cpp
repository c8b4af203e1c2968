// The shell's settings functions: the file is read (or mapped, when large) for each call and handed
// to the syntax core; WriteInt builds the new file beside the old one and moves it over in one
// step.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host.h"
#include "shell.h"
#include "settings_syntax.h"

namespace {

// A settings file opened for one call: its bytes, or none when it is missing or unreadable.
class FileBytes {
  public:
    explicit FileBytes(const char* path) {
        if (!path || !*path)
            return;
        file_ =
            CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            error_ = GetLastError();
            return;
        }
        // Ordinary files are read into a buffer kept across calls, since every key of a reload
        // reads the file again: a first read that comes back short holds a small file whole.
        // Only larger files are measured, and the largest mapped rather than copied.
        DWORD got = 0;
        if (readInto(kFirstRead, got) && got < kFirstRead) {
            opened_ = true;
            size_ = got;
            return;
        }
        LARGE_INTEGER size;
        LARGE_INTEGER start{};
        if (!GetFileSizeEx(file_, &size) || size.QuadPart > static_cast<LONGLONG>(SIZE_MAX / 2)) {
            error_ = ERROR_FILE_TOO_LARGE;
            return;
        }
        if (size.QuadPart <= kReadLimit && SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) &&
            readInto(static_cast<DWORD>(size.QuadPart), got)) {
            opened_ = true;
            size_ = got;
            return;
        }
        read_ = nullptr;
        mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping_)
            data_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
        if (!data_) {
            error_ = GetLastError();
            return;
        }
        opened_ = true;
        size_ = static_cast<std::size_t>(size.QuadPart);
    }
    ~FileBytes() { close(); }

    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    void close() {
        if (data_)
            UnmapViewOfFile(data_);
        if (mapping_)
            CloseHandle(mapping_);
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
        data_ = nullptr;
        read_ = nullptr;
        mapping_ = nullptr;
        file_ = INVALID_HANDLE_VALUE;
    }

    bool opened() const { return opened_; }
    bool missing() const { return error_ == ERROR_FILE_NOT_FOUND; }
    const char* data() const { return read_ ? read_ : data_ ? data_ : ""; }
    std::size_t size() const { return size_; }

    bool find(const char* key, SettingValue& value) const {
        return opened_ && findSetting(data(), size_, key, value);
    }

  private:
    static constexpr DWORD kFirstRead = 64 << 10;
    static constexpr LONGLONG kReadLimit = 4 << 20;

    // Reads up to `size` bytes from the file's current position into the shared buffer.
    bool readInto(DWORD size, DWORD& got) {
        static char* buffer = nullptr;
        static std::size_t capacity = 0;
        if (size > capacity) {
            char* grown = static_cast<char*>(std::realloc(buffer, size));
            if (!grown)
                return false;
            buffer = grown;
            capacity = size;
        }
        got = 0;
        if (!ReadFile(file_, buffer, size, &got, nullptr))
            return false;
        read_ = buffer;
        return true;
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const char* data_ = nullptr;
    const char* read_ = nullptr; // the shared read buffer, when the file was read
    std::size_t size_ = 0;
    bool opened_ = false;
    DWORD error_ = 0;
};

std::string colorText(COLORREF color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color),
                  GetBValue(color));
    return text;
}

COLORREF parseDefaultColor(const char* text) {
    std::uint32_t value = 0;
    if (text)
        parseSettingColor(text, std::strlen(text), value);
    return value;
}

// ReadString's result stays valid until the next call; it grows to the longest value read.
struct StringBuffer {
    char* text = nullptr;
    std::size_t capacity = 0;
    std::size_t length = 0; // of the last text handed out
};
StringBuffer stringBuffer;

// Every settings call overwrites the last text handed out, so that a plug-in that keeps the
// pointer past the next call, instead of copying the text, reads nonsense here as it may from
// another shell.
void spoilString() {
    if (stringBuffer.text)
        std::memset(stringBuffer.text, '~', stringBuffer.length);
}

const char* keepString(const char* bytes, std::size_t length) {
    if (length + 1 > stringBuffer.capacity) {
        char* grown = static_cast<char*>(std::realloc(stringBuffer.text, length + 1));
        if (!grown)
            return nullptr;
        stringBuffer.text = grown;
        stringBuffer.capacity = length + 1;
    }
    std::memcpy(stringBuffer.text, bytes, length);
    stringBuffer.text[length] = '\0';
    stringBuffer.length = length;
    return stringBuffer.text;
}

bool writeAll(HANDLE file, const char* bytes, std::size_t length) {
    while (length > 0) {
        DWORD chunk = length > 0x100000 ? 0x100000 : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += chunk;
        length -= chunk;
    }
    return true;
}

bool validKey(const char* key) {
    return key && *key && !std::strpbrk(key, "\r\n");
}

// Writes the edited file to a fresh temporary file in the same folder and moves it over the old
// one; on any failure the old file stays as it was and the temporary file is removed.
bool replaceFile(const char* path, FileBytes& old, const SettingEdit& edit) {
    char folder[MAX_PATH];
    std::size_t pathLength = std::strlen(path);
    if (pathLength >= MAX_PATH)
        return false;
    const char* slash = std::strrchr(path, '\\');
    const char* forward = std::strrchr(path, '/');
    if (forward && (!slash || forward > slash))
        slash = forward;
    if (slash) {
        std::size_t length = static_cast<std::size_t>(slash - path) + 1;
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    } else {
        std::strcpy(folder, ".");
    }
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(folder, "krc", 0, temporary))
        return false;
    HANDLE out = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = out != INVALID_HANDLE_VALUE;
    if (ok) {
        ok = writeAll(out, old.data(), edit.begin) &&
             writeAll(out, edit.text.data(), edit.text.size()) &&
             writeAll(out, old.data() + edit.end, old.size() - edit.end) && FlushFileBuffers(out);
        if (!CloseHandle(out))
            ok = false;
    }
    // The old file's mapping must be gone before the move can replace it.
    old.close();
    if (ok)
        ok = MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temporary);
    return ok;
}

// The stored value of `key` as `parse` converts it; false keeps the caller's default.
template <typename T, typename Parse>
bool readValue(const char* path, const char* key, Parse parse, T& value) {
    FileBytes file(path);
    SettingValue found;
    return file.find(key, found) &&
           parse(file.data() + found.begin, found.end - found.begin, value);
}

} // namespace

extern "C" int ReadInt(const char* path, const char* key, int defaultValue) {
    spoilString();
    int result = defaultValue;
    std::int32_t value;
    if (readValue(path, key, parseSettingInt, value))
        result = value;
    hostLog("ReadInt %s %s %d -> %d", hostQuote(path).c_str(), hostQuote(key).c_str(), defaultValue,
            result);
    return result;
}

extern "C" bool ReadBool(const char* path, const char* key, bool defaultValue) {
    spoilString();
    bool result = defaultValue;
    bool value;
    if (readValue(path, key, parseSettingBool, value))
        result = value;
    hostLog("ReadBool %s %s %s -> %s", hostQuote(path).c_str(), hostQuote(key).c_str(),
            defaultValue ? "true" : "false", result ? "true" : "false");
    return result;
}

extern "C" COLORREF ReadColor(const char* path, const char* key, const char* defaultColor) {
    spoilString();
    COLORREF result = parseDefaultColor(defaultColor);
    std::uint32_t value;
    if (readValue(path, key, parseSettingColor, value))
        result = value;
    hostLog("ReadColor %s %s %s -> %s", hostQuote(path).c_str(), hostQuote(key).c_str(),
            hostQuote(defaultColor).c_str(), colorText(result).c_str());
    return result;
}

extern "C" const char* ReadString(const char* path, const char* key, const char* defaultText) {
    spoilString();
    const char* result = defaultText;
    FileBytes file(path);
    SettingValue found;
    if (file.find(key, found)) {
        // Should the buffer not grow, the default is the answer rather than a stale text.
        if (const char* kept = keepString(file.data() + found.begin, found.end - found.begin))
            result = kept;
    }
    hostLog("ReadString %s %s %s -> %s", hostQuote(path).c_str(), hostQuote(key).c_str(),
            hostQuote(defaultText).c_str(), hostQuote(result).c_str());
    return result;
}

extern "C" void WriteInt(const char* path, const char* key, int value) {
    spoilString();
    hostLog("WriteInt %s %s %d", hostQuote(path).c_str(), hostQuote(key).c_str(), value);
    if (!path || !*path || !validKey(key))
        return;
    // A read-only file is the user's word that it must not change, even though a move could
    // replace it.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return;
    FileBytes old(path);
    // Only a file that is not there may be started afresh; one that cannot be read is kept.
    if (!old.opened() && !old.missing())
        return;
    char valueText[16];
    std::snprintf(valueText, sizeof valueText, "%d", value);
    SettingEdit edit = planSettingWrite(old.data(), old.size(), key, valueText);
    replaceFile(path, old, edit);
}
