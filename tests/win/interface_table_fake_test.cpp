// The interface table against the scripted Iphlpapi.dll beside this test: rows chosen by the
// test in process or through the script file, tables that change between calls.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"

#include "fakes/fake_iphlpapi_client.h"
#include "traffic/interface_table.h"
#include "types.h"
#include "win/win_files.h"

namespace {

std::vector<FakeIfRow> numberedRows(int count) {
    std::vector<FakeIfRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(fakeIfRow(1000u * static_cast<std::uint32_t>(i),
                                 static_cast<std::uint32_t>(i), "if" + std::to_string(i)));
    return rows;
}

class FakeInterfaceTable : public ::testing::Test {
  protected:
    HMODULE fake = nullptr; // held so that the control functions stay valid across release()
    FakeIfTableSetRowsFn setRows = nullptr;
    FakeIfTableStatsFn stats = nullptr;

    void SetUp() override {
        SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
        fake = LoadLibraryA("Iphlpapi.dll");
        ASSERT_NE(fake, nullptr);
        setRows = fakeIfTableSetRows();
        stats = fakeIfTableStats();
        ASSERT_NE(setRows, nullptr) << "Wine's own Iphlpapi.dll was loaded, not the fake";
        ASSERT_NE(stats, nullptr);
    }
    void TearDown() override {
        InterfaceTable::release();
        SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
        if (fake != nullptr)
            FreeLibrary(fake);
    }
    void set(const std::vector<FakeIfRow>& rows) {
        setRows(rows.data(), static_cast<int>(rows.size()));
    }
    FakeIfStats read() {
        FakeIfStats result{};
        stats(&result);
        return result;
    }
};

// Interfaces added while running appear; the size handed in never exceeds the buffer.
TEST_F(FakeInterfaceTable, TableGrowsAndShrinksBetweenCalls) {
    set({}); // loaded while there is no interface at all
    ASSERT_TRUE(InterfaceTable::load());
    const int sizes[] = {0, 1, 3, 40, 2, 0, 64, 5};
    for (int rows : sizes) {
        SCOPED_TRACE(rows);
        set(numberedRows(rows));
        EXPECT_EQ(InterfaceTable::count(), rows);
        if (rows > 0) {
            EXPECT_EQ(InterfaceTable::description(rows - 1), "if" + std::to_string(rows - 1));
            EXPECT_EQ(InterfaceTable::counter(rows - 1, Channel::Receive), 1000 * (rows - 1));
            EXPECT_EQ(InterfaceTable::counter(rows - 1, Channel::Send), rows - 1);
        }
        EXPECT_STREQ(InterfaceTable::description(rows), "");
        EXPECT_EQ(InterfaceTable::counter(rows, Channel::Receive), 0);
        FakeIfStats now = read();
        EXPECT_EQ(now.oversized, 0u);
        EXPECT_GE(now.filled, 1u);
    }
}

TEST_F(FakeInterfaceTable, DescriptionsEndAtTheirLengthAndAtMost256Bytes) {
    std::string full(256, 'x');
    for (int i = 0; i < 256; ++i)
        full[static_cast<std::size_t>(i)] = static_cast<char>('A' + i % 26);
    struct Row {
        const char* name;
        std::string bytes;
        std::uint32_t length;
        std::string text;
    };
    const Row rows[] = {
        {"length shorter than the bytes", "eth0 and more", 4, "eth0"},
        {"all 256 bytes", full, 256, full},
        {"length beyond the row", full, 300, full},
        {"length far beyond", full, 0xFFFFFFFFu, full},
        {"empty", "ignored", 0, ""},
        {"blanks kept", " lo  ", 5, " lo  "},
    };
    std::vector<FakeIfRow> table;
    for (const Row& row : rows) {
        table.push_back(fakeIfRow(1, 2, row.bytes));
        table.back().descrLen = row.length;
    }
    set(table);
    ASSERT_TRUE(InterfaceTable::load());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const char* text = InterfaceTable::description(static_cast<int>(i));
        EXPECT_EQ(std::string(text), rows[i].text);
        EXPECT_LE(std::strlen(text), 256u);
    }
}

TEST_F(FakeInterfaceTable, CountersWidenWithoutSignExtension) {
    struct Row {
        std::uint32_t in, out;
    };
    const Row rows[] = {{0, 0}, {0x7FFFFFFFu, 0x80000000u}, {0xFFFFFFFFu, 1}};
    std::vector<FakeIfRow> table;
    for (const Row& row : rows)
        table.push_back(fakeIfRow(row.in, row.out, "x"));
    set(table);
    ASSERT_TRUE(InterfaceTable::load());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(InterfaceTable::counter(static_cast<int>(i), Channel::Receive),
                  std::int64_t{rows[i].in});
        EXPECT_EQ(InterfaceTable::counter(static_cast<int>(i), Channel::Send),
                  std::int64_t{rows[i].out});
    }
    EXPECT_EQ(InterfaceTable::counter(0, 2), 0); // no such channel
}

// The script another process would write: re-read on every call.
TEST_F(FakeInterfaceTable, ScriptFileNamedByTheEnvironment) {
    set({fakeIfRow(1, 1, "in process")});
    const char* path = "iftable.txt";
    ASSERT_TRUE(writeFile(path, "# in out description\n"
                                "100 200 Loopback Pseudo-Interface 1\n"
                                "\n"
                                "4294967295 0 eth0\r\n"
                                "not a row\n"
                                "7 8\n"
                                "4294967296 1 too large\n"
                                "9 10   wide  gap"));
    SetEnvironmentVariableA(kFakeIfTableScriptVariable, path);
    ASSERT_TRUE(InterfaceTable::load());
    ASSERT_EQ(InterfaceTable::count(), 4);
    struct Row {
        std::int64_t in, out;
        const char* text;
    };
    const Row rows[] = {{100, 200, "Loopback Pseudo-Interface 1"},
                        {4294967295, 0, "eth0"},
                        {7, 8, ""},
                        {9, 10, "wide  gap"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(rows[i].text);
        EXPECT_EQ(InterfaceTable::counter(i, Channel::Receive), rows[i].in);
        EXPECT_EQ(InterfaceTable::counter(i, Channel::Send), rows[i].out);
        EXPECT_STREQ(InterfaceTable::description(i), rows[i].text);
    }
    EXPECT_GT(read().scriptErrors, 0u);

    ASSERT_TRUE(writeFile(path, "150 260 Loopback Pseudo-Interface 1\n"));
    EXPECT_EQ(InterfaceTable::count(), 1);
    EXPECT_EQ(InterfaceTable::counter(0, Channel::Receive), 150);

    // A file that cannot be read keeps the last good rows.
    DeleteFileA(path);
    EXPECT_EQ(InterfaceTable::counter(0, Channel::Send), 260);

    SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
    EXPECT_STREQ(InterfaceTable::description(0), "in process");
}

} // namespace
