#include "plugin_rig.h"

#include <cstring>

#include <gtest/gtest.h>

#include "fakes/fake_iphlpapi.h"
#include "host.h"
#include "plugin/shell.h"
#include "win/win_files.h"

void rigSetInterfaces(const std::vector<RigInterface>& rows) {
    HMODULE fake = GetModuleHandleA("Iphlpapi.dll");
    if (fake == nullptr)
        fake = LoadLibraryA("Iphlpapi.dll");
    auto setRows = reinterpret_cast<FakeIfTableSetRowsFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(fake, kFakeIfTableSetRows)));
    ASSERT_NE(setRows, nullptr) << "the scripted Iphlpapi.dll is not the one loaded";
    std::vector<FakeIfRow> fakeRows(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        fakeRows[i].inOctets = rows[i].inOctets;
        fakeRows[i].outOctets = rows[i].outOctets;
        const size_t length = std::min(rows[i].description.size(), sizeof fakeRows[i].descr);
        std::memcpy(fakeRows[i].descr, rows[i].description.data(), length);
        fakeRows[i].descrLen = static_cast<std::uint32_t>(length);
    }
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

std::string rigReadSettings() {
    return readFile(rigSettingsPath());
}

std::vector<std::string> rigLogLines(const char* prefix) {
    return linesStartingWith(hostLogLines(), prefix);
}

void rigBroadcast(HWND window, const char* text) {
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>(text));
}

void rigPump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HINSTANCE rigInstance() {
    return GetModuleHandleA(nullptr);
}
