#include "plugin_rig.h"

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "fakes/fake_iphlpapi.h"
#include "host.h"
#include "plugin/shell.h"

namespace {

BoxWatch* activeWatch;
std::vector<HWND> seenBoxes;

bool isOkOnly(HWND box) {
    const int others[] = {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr || !IsWindowVisible(ok))
        return false;
    for (int id : others) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button))
            return false;
    }
    return true;
}

HICON boxIcon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return nullptr;
}

BOOL CALLBACK findBox(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
        for (HWND seen : seenBoxes)
            if (seen == window)
                return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK watchBoxes(HWND, UINT, UINT_PTR, DWORD) {
    if (activeWatch == nullptr)
        return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return;
    seenBoxes.push_back(box);
    SeenBox seen{};
    seen.owner = GetWindow(box, GW_OWNER);
    char text[1024] = {};
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.icon = boxIcon(box);
    seen.okOnly = isOkOnly(box);
    BoxWatch* watch = activeWatch;
    watch->boxes.push_back(seen);
    if (watch->onOpen)
        watch->onOpen(static_cast<int>(watch->boxes.size()) - 1);
    // Not WM_CLOSE: under Wine that answers IDCANCEL.
    EndDialog(box, IDOK);
}

} // namespace

BoxWatch::BoxWatch(std::function<void(int)> open) : onOpen(std::move(open)) {
    activeWatch = this;
    seenBoxes.clear();
    timer_ = SetTimer(nullptr, 0, 20, watchBoxes);
}

BoxWatch::~BoxWatch() {
    KillTimer(nullptr, timer_);
    activeWatch = nullptr;
}

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
    FILE* out = std::fopen(rigSettingsPath().c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

std::string rigReadSettings() {
    std::string text;
    if (FILE* in = std::fopen(rigSettingsPath().c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            text.append(buffer, got);
        std::fclose(in);
    }
    return text;
}

std::vector<std::string> rigLogLines(const char* prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : hostLogLines())
        if (line.compare(0, std::strlen(prefix), prefix) == 0)
            lines.push_back(line);
    return lines;
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
