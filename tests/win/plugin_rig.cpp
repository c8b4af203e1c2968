#include "plugin_rig.h"

#include <cstring>

#include <gtest/gtest.h>

#include "support/fake_iphlpapi_client.h"
#include "host.h"
#include "shell.h"
#include "win/win_files.h"

void rigSetInterfaces(const std::vector<RigInterface>& rows) {
    HMODULE fake = GetModuleHandleA("Iphlpapi.dll");
    if (fake == nullptr)
        fake = LoadLibraryA("Iphlpapi.dll");
    ASSERT_NE(fake, nullptr);
    FakeIfTableSetRowsFn setRows = fakeIfTableSetRows();
    ASSERT_NE(setRows, nullptr) << "the scripted Iphlpapi.dll is not the one loaded";
    std::vector<FakeIfRow> fakeRows;
    for (const RigInterface& row : rows)
        fakeRows.push_back(fakeIfRow(row.inOctets, row.outOctets, row.description));
    setRows(fakeRows.data(), static_cast<int>(fakeRows.size()));
}

std::string rigSettingsPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text = path;
    return text.substr(0, text.rfind('.') + 1) + "rc";
}

void rigWriteSettings(const std::string& text) {
    ASSERT_TRUE(writeFile(rigSettingsPath(), text));
}

std::vector<std::string> rigLogLines(const char* prefix) {
    return linesStartingWith(hostLogLines(), prefix);
}

// The text is sent from the top of the address space: on 64 bits far above 4 GiB, where the heap
// and the stack never are under Wine, so that an LPARAM cut to 32 bits on its way reads elsewhere.
void rigBroadcast(HWND window, const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    void* high =
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_NE(high, nullptr);
    std::memcpy(high, text, size);
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>(high));
    VirtualFree(high, 0, MEM_RELEASE);
}

HINSTANCE rigInstance() {
    return GetModuleHandleA(nullptr);
}

void RigTest::SetUpTestSuite() {
    ASSERT_TRUE(hostCreateWindows(rigInstance()));
    hostSetMenuMode(HostMenuMode::Record);
    hostSetExecuteEnabled(false);
}

void RigTest::TearDownTestSuite() {
    hostDestroyWindows();
}
