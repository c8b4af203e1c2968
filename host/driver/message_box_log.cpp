#include "parts.h"

namespace {

using MessageBoxEntry = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

struct MessageBoxLogState {
    MessageBoxEntry original = nullptr; // what the plug-in's import pointed at
};
MessageBoxLogState boxLog;

// What the plug-in asked for exactly: a shown box's style cannot be read back whole (Wine sets no
// WS_EX_TOPMOST for MB_TOPMOST).
int WINAPI loggedMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    hostLog("> MessageBoxA %s %s %s %s", hostHex(owner).c_str(), hostQuote(text).c_str(),
            hostQuote(caption).c_str(), hostHex(static_cast<uintptr_t>(style)).c_str());
    const int answer = boxLog.original(owner, text, caption, style);
    hostLog("> MessageBoxA -> %d", answer);
    return answer;
}

} // namespace

// Points the module's imported MessageBoxA at loggedMessageBox.
void logMessageBoxCalls(HMODULE module) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto original = reinterpret_cast<MessageBoxEntry>(
        reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
    if (!original)
        return;
    boxLog.original = original;
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return;
    for (auto* import =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), "user32.dll") != 0)
            continue;
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
             thunk->u1.Function != 0; ++thunk) {
            if (thunk->u1.Function != reinterpret_cast<uintptr_t>(original))
                continue;
            DWORD protection = 0;
            if (VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, PAGE_READWRITE,
                               &protection)) {
                thunk->u1.Function = reinterpret_cast<uintptr_t>(loggedMessageBox);
                VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, protection,
                               &protection);
            }
        }
    }
}
