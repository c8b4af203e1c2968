#include "parts.h"
#include "support/import_hook.h"

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

void logMessageBoxCalls(HMODULE plugin) {
    hookImport(boxLog.original, "user32.dll", "MessageBoxA", &loggedMessageBox, plugin);
}
