#include "plugin_rig.h"

#include <cstring>

#include <gtest/gtest.h>

#include "fakes/fake_iphlpapi_client.h"
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

void rigBroadcast(HWND window, const char* text) {
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>(text));
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
