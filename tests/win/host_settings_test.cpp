// The stand-in shell's settings and style functions against real files and real GDI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "host.h"
#include "shell.h"
#include "style.h"
#include "support/canvas.h"
#include "support/import_hook.h"
#include "win/win_files.h"

namespace {

using namespace std::string_literals;

const std::string kMegabyte(1 << 20, 'm');

// Everything a hand-edited or damaged file may hold, around the keys the rows read.
std::string messyFile() {
    return "! Velnor settings, edited by hand\r\n"
           "# Velnor.x: 999\r\n"
           "VELNOR.X: 120\r\n"
           "velnor.x: 130\r\n"
           "\x01\x02\xFF\xFE\x00\x00 junk line\r\n"s +
           kMegabyte + "\r\n" +
           "  Velnor.y:\t-40  \r\n"
           "Velnor.width: 12px\r\n"
           "Velnor.height: 99999999999\r\n"
           "Velnor.alphaEnabled: TRUE\r\n"
           "Velnor.sctEnabled: yes\r\n"
           "Velnor.sctColor: #FF8000\r\n"
           "Velnor.receiveGraph.color: #12345\r\n"
           "Velnor.receiveLabel.caption: Received \"today\"\n"
           "Velnor.sendLabel.caption:\r\n"
           "Velnor.bothLabel.caption: " +
           kMegabyte + "\n" + "Velnor.adapter: 3";
}

struct ReadRow {
    enum Kind { Int, Bool, Color, String } kind;
    const char* key;
    int intDefault;
    const char* textDefault;
    int intExpected;
    const char* textExpected; // for strings; "<mega>" for the megabyte value
};

TEST(HostSettingsFile, ReadsEveryTypeFromAMessyFile) {
    std::string folder = freshFolder("messy");
    std::string path = folder + "Velnor.rc";
    writeFile(path, messyFile());
    const ReadRow rows[] = {
        {ReadRow::Int, "Velnor.x:", 1, nullptr, 120, nullptr},
        {ReadRow::Int, "Velnor.y:", 1, nullptr, -40, nullptr},
        {ReadRow::Int, "Velnor.width:", 100, nullptr, 100, nullptr},
        {ReadRow::Int, "Velnor.height:", 100, nullptr, 100, nullptr},
        {ReadRow::Int, "Velnor.adapter:", 0, nullptr, 3, nullptr},
        {ReadRow::Int, "Velnor.timer:", 1000, nullptr, 1000, nullptr},
        {ReadRow::Bool, "Velnor.alphaEnabled:", 0, nullptr, 1, nullptr},
        {ReadRow::Bool, "Velnor.sctEnabled:", 0, nullptr, 0, nullptr},
        {ReadRow::Bool, "Velnor.inSlit:", 1, nullptr, 1, nullptr},
        {ReadRow::Color, "Velnor.sctColor:", 0, "#FFFFFF", 0x0080FF, nullptr},
        {ReadRow::Color, "Velnor.receiveGraph.color:", 0, "#FFFFFF", 0xFFFFFF, nullptr},
        {ReadRow::Color, "Velnor.sendGraph.color:", 0, "#0000FF", 0xFF0000, nullptr},
        {ReadRow::Color, "Velnor.sendGraph.background:", 0, "junk", 0, nullptr},
        {ReadRow::String, "Velnor.receiveLabel.caption:", 0, "", 0, "Received \"today\""},
        {ReadRow::String, "Velnor.sendLabel.caption:", 0, "dflt", 0, ""},
        {ReadRow::String, "Velnor.bothLabel.caption:", 0, "", 0, "<mega>"},
        {ReadRow::String, "Velnor.costLabel.caption:", 0, "dflt", 0, "dflt"},
        {ReadRow::String, "Velnor.costLabel.icon:", 0, nullptr, 0, nullptr},
    };
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.key);
        switch (row.kind) {
        case ReadRow::Int:
            EXPECT_EQ(ReadInt(path.c_str(), row.key, row.intDefault), row.intExpected);
            break;
        case ReadRow::Bool:
            EXPECT_EQ(ReadBool(path.c_str(), row.key, row.intDefault != 0), row.intExpected != 0);
            break;
        case ReadRow::Color:
            EXPECT_EQ(ReadColor(path.c_str(), row.key, row.textDefault),
                      static_cast<COLORREF>(row.intExpected));
            break;
        case ReadRow::String: {
            const char* text = ReadString(path.c_str(), row.key, row.textDefault);
            if (!row.textExpected)
                EXPECT_EQ(text, nullptr);
            else if (!std::strcmp(row.textExpected, "<mega>"))
                EXPECT_EQ(text ? std::string(text) : "<null>", kMegabyte);
            else
                EXPECT_STREQ(text, row.textExpected);
            break;
        }
        }
    }
}

// Small files are read in one go, larger ones measured first, the largest mapped: the key on
// the very last line is found whatever the size.
TEST(HostSettingsFile, KeyAtTheEndOfFilesOfEverySize) {
    std::string folder = freshFolder("sizes");
    const std::string tail = "\nVelnor.x: 321";
    const std::size_t sizes[] = {tail.size(),   (64 << 10) - 1, 64 << 10,      (64 << 10) + 1,
                                 (4 << 20) - 1, 4 << 20,        (4 << 20) + 1, 9 << 20};
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        std::string path = folder + "Velnor.rc";
        writeFile(path, std::string(size - tail.size(), '#') + tail);
        EXPECT_EQ(ReadInt(path.c_str(), "Velnor.x:", 1), 321);
        WriteInt(path.c_str(), "Velnor.x:", 42);
        std::string after = readFile(path);
        EXPECT_EQ(after.size(), size - 1);
        EXPECT_EQ(after.substr(after.size() - 13), "\nVelnor.x: 42");
    }
}

TEST(HostSettingsFile, NoFileGivesTheDefaults) {
    std::string folder = freshFolder("nofile");
    const std::string paths[] = {folder + "absent.rc", folder + "no\\such\\folder\\x.rc", folder,
                                 "", std::string(400, 'p')};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path.substr(0, 60));
        EXPECT_EQ(ReadInt(path.c_str(), "Velnor.x:", 77), 77);
        EXPECT_TRUE(ReadBool(path.c_str(), "Velnor.inSlit:", true));
        EXPECT_EQ(ReadColor(path.c_str(), "Velnor.sctColor:", "#010203"), 0x030201u);
        EXPECT_EQ(ReadString(path.c_str(), "Velnor.costLabel.icon:", nullptr), nullptr);
    }
    EXPECT_EQ(ReadInt(nullptr, "Velnor.x:", 5), 5);
    EXPECT_EQ(ReadInt((folder + "absent.rc").c_str(), nullptr, 6), 6);
    EXPECT_TRUE(filesIn(folder).empty());
}

TEST(HostSettingsFile, EveryCallLogsOneLine) {
    hostLogLines().clear();
    ReadInt("C:\\p\\Velnor.rc", "Velnor.x:", 100);
    ReadBool("C:\\p\\Velnor.rc", "Velnor.inSlit:", false);
    ReadColor("C:\\p\\Velnor.rc", "Velnor.sctColor:", "#FFFFFF");
    ReadString("C:\\p\\Velnor.rc", "Velnor.sendLabel.icon:", nullptr);
    ReadString("C:\\p\\Velnor.rc", "Velnor.price:", "1");
    ASSERT_EQ(hostLogLines().size(), 5u);
    EXPECT_EQ(hostLogLines()[0], "ReadInt \"C:\\\\p\\\\Velnor.rc\" \"Velnor.x:\" 100 -> 100");
    EXPECT_EQ(hostLogLines()[1],
              "ReadBool \"C:\\\\p\\\\Velnor.rc\" \"Velnor.inSlit:\" false -> false");
    EXPECT_EQ(hostLogLines()[2],
              "ReadColor \"C:\\\\p\\\\Velnor.rc\" \"Velnor.sctColor:\" \"#FFFFFF\" -> #FFFFFF");
    EXPECT_EQ(hostLogLines()[3],
              "ReadString \"C:\\\\p\\\\Velnor.rc\" \"Velnor.sendLabel.icon:\" null -> null");
    EXPECT_EQ(hostLogLines()[4],
              "ReadString \"C:\\\\p\\\\Velnor.rc\" \"Velnor.price:\" \"1\" -> \"1\"");
}

// ReadString's text is valid until the next call only: whatever that call is, the old pointer
// no longer reads the text, so a plug-in that keeps it instead of copying fails here too.
TEST(HostSettingsFile, ReadStringTextLastsUntilTheNextCall) {
    std::string path = freshFolder("lifetime") + "Velnor.rc";
    writeFile(path, "Velnor.t: kept\r\nVelnor.x: 1\r\n");
    const char* p = path.c_str();
    const struct {
        const char* name;
        void (*next)(const char* path);
    } rows[] = {
        {"ReadInt", [](const char* f) { ReadInt(f, "Velnor.x:", 0); }},
        {"ReadBool", [](const char* f) { ReadBool(f, "Velnor.x:", false); }},
        {"ReadColor", [](const char* f) { ReadColor(f, "Velnor.x:", "#000000"); }},
        {"ReadString of a missing key", [](const char* f) { ReadString(f, "Velnor.no:", "d"); }},
        {"WriteInt", [](const char* f) { WriteInt(f, "Velnor.x:", 2); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const char* text = ReadString(p, "Velnor.t:", nullptr);
        ASSERT_STREQ(text, "kept");
        row.next(p);
        EXPECT_STRNE(text, "kept");
    }
}

TEST(HostSettingsFile, WriteKeepsEveryOtherByte) {
    std::string folder = freshFolder("write");
    std::string path = folder + "Velnor.rc";
    const std::string before = "! my widget\r\n"
                               "Velnor.unknownKey: keep me\r\n"
                               "velnor.X:   5   \r\n"
                               "# Velnor.y: 1\r\n"
                               "\x00\xFF binary\r\n"s
                               "Velnor.x: 6\r\n"
                               "Velnor.adapter: 2";
    writeFile(path, before);
    WriteInt(path.c_str(), "Velnor.x:", -12);
    WriteInt(path.c_str(), "Velnor.y:", 34);
    WriteInt(path.c_str(), "Velnor.adapter:", 5);
    const std::string after = "! my widget\r\n"
                              "Velnor.unknownKey: keep me\r\n"
                              "velnor.X:   -12\r\n"
                              "# Velnor.y: 1\r\n"
                              "\x00\xFF binary\r\n"s
                              "Velnor.x: 6\r\n"
                              "Velnor.adapter: 5\r\n"
                              "Velnor.y: 34\r\n";
    EXPECT_EQ(readFile(path), after);
    EXPECT_EQ(ReadInt(path.c_str(), "Velnor.x:", 0), -12);
    EXPECT_EQ(ReadInt(path.c_str(), "Velnor.y:", 0), 34);
    EXPECT_EQ(ReadInt(path.c_str(), "Velnor.adapter:", 0), 5);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Velnor.rc"});
}

TEST(HostSettingsFile, WriteStartsAMissingFile) {
    std::string folder = freshFolder("fresh");
    std::string path = folder + "Velnor.rc";
    WriteInt(path.c_str(), "Velnor.x:", 1);
    WriteInt(path.c_str(), "Velnor.y:", 2);
    EXPECT_EQ(readFile(path), "Velnor.x: 1\r\nVelnor.y: 2\r\n");
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Velnor.rc"});
}

// A write that cannot be done leaves the old file whole and nothing beside it.
TEST(HostSettingsFile, FailedWritesLeaveTheOldFile) {
    std::string folder = freshFolder("failing");
    const std::string content = "Velnor.x: 1\r\n! note\r\n";

    std::string readOnly = folder + "readonly.rc";
    writeFile(readOnly, content);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    WriteInt(readOnly.c_str(), "Velnor.x:", 2);
    WriteInt(readOnly.c_str(), "Velnor.y:", 2);
    EXPECT_EQ(readFile(readOnly), content);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held open without sharing: it cannot be read, so it must not be started afresh either.
    std::string locked = folder + "locked.rc";
    writeFile(locked, content);
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    WriteInt(locked.c_str(), "Velnor.x:", 3);
    CloseHandle(hold);
    EXPECT_EQ(readFile(locked), content);

    std::string tooLong = folder + std::string(300, 'l') + ".rc";
    WriteInt(tooLong.c_str(), "Velnor.x:", 4);
    WriteInt((folder + "missing\\x.rc").c_str(), "Velnor.x:", 5);
    WriteInt((folder + "readonly.rc").c_str(), "Velnor.bad\r\nkey:", 6);
    WriteInt((folder + "readonly.rc").c_str(), "", 7);
    EXPECT_EQ(readFile(readOnly), content);

    std::vector<std::string> expected = {"locked.rc", "readonly.rc"};
    std::vector<std::string> found = filesIn(folder);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected) << "no temporary file stays behind";
}

// A disk that fills up while the new file is written: each write puts half of its bytes in and
// fails as the platform reports it.
struct FullDisk {
    decltype(&WriteFile) realWrite;
    int failedWrites;
} fullDisk;

BOOL WINAPI writeOnFullDisk(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED) {
    DWORD half = 0;
    if (size / 2 > 0)
        fullDisk.realWrite(file, bytes, size / 2, &half, nullptr);
    if (written)
        *written = half;
    ++fullDisk.failedWrites;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST(HostSettingsFile, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    std::string folder = freshFolder("fulldisk");
    const std::string path = folder + "Velnor.rc";
    const std::string content = "! kept\r\nVelnor.x: 1\r\nVelnor.other: 9\r\n";
    writeFile(path, content);
    fullDisk = FullDisk{};
    hookImport(fullDisk.realWrite, "kernel32.dll", "WriteFile", &writeOnFullDisk);
    ASSERT_NE(fullDisk.realWrite, nullptr) << "the shell writes through WriteFile";
    WriteInt(path.c_str(), "Velnor.x:", 2);
    decltype(&WriteFile) ours = nullptr;
    hookImport(ours, "kernel32.dll", "WriteFile", fullDisk.realWrite);
    EXPECT_GE(fullDisk.failedWrites, 1);
    EXPECT_EQ(readFile(path), content);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Velnor.rc"});
    WriteInt(path.c_str(), "Velnor.x:", 3);
    EXPECT_EQ(readFile(path), "! kept\r\nVelnor.x: 3\r\nVelnor.other: 9\r\n")
        << "writes work again";
}

TEST(HostStyle, RecordFontAndGradient) {
    hostResetStyle();
    EXPECT_EQ(GetSettingPtr(0), nullptr);
    EXPECT_EQ(GetSettingPtr(2), nullptr);
    const unsigned char* record = static_cast<const unsigned char*>(GetSettingPtr(1));
    ASSERT_NE(record, nullptr);
    hostStyle().textColor = RGB(1, 2, 3);
    COLORREF text;
    std::memcpy(&text, record + kStyleTextColorOffset, sizeof text);
    EXPECT_EQ(text, RGB(1, 2, 3));

    hostStyle().fontHeight = 17;
    HFONT font = CreateStyleFont(record);
    ASSERT_NE(font, nullptr);
    LOGFONTA described{};
    ASSERT_EQ(GetObjectA(font, sizeof described, &described), static_cast<int>(sizeof described));
    EXPECT_EQ(described.lfHeight, -17);
    EXPECT_STREQ(described.lfFaceName, "Tahoma");
    DeleteObject(font);

    // A record of junk, unterminated face included, still gives a font.
    unsigned char junk[kStyleRecordSize];
    std::memset(junk, 0xFF, sizeof junk);
    font = CreateStyleFont(junk);
    EXPECT_NE(font, nullptr);
    DeleteObject(font);

    HostStyle& style = hostStyle();
    style.gradientTop = RGB(0, 0, 0);
    style.gradientBottom = RGB(0, 0, 255);
    style.borderColor = RGB(255, 0, 0);
    style.borderWidth = 1;
    Canvas canvas(20, 100);
    ASSERT_TRUE(canvas.ok());
    HDC dc = canvas.dc();
    RECT all = {0, 0, 20, 100};
    MakeStyleGradient(dc, &all, &style, false);
    auto blue = [&](int x, int y) { return canvas.rgb(x, y) & 0xFF; };
    EXPECT_LT(blue(10, 0), 8u);
    EXPECT_GT(blue(10, 99), 245u);
    EXPECT_LT(blue(10, 30), blue(10, 60)) << "brighter towards the bottom";
    MakeStyleGradient(dc, &all, &style, true);
    EXPECT_EQ(canvas.rgb(0, 50), 0xFF0000u) << "red frame";
    EXPECT_EQ(canvas.rgb(10, 50) & 0xFF0000, 0u);
    // A rectangle of no width, or no DC or rectangle at all, draws nothing.
    const std::uint32_t before = canvas.rgb(5, 20);
    RECT empty = {5, 5, 5, 50};
    MakeStyleGradient(dc, &empty, &style, true);
    MakeStyleGradient(nullptr, &all, &style, true);
    MakeStyleGradient(dc, nullptr, &style, true);
    EXPECT_EQ(canvas.rgb(5, 20), before);
    hostResetStyle();
}

} // namespace
