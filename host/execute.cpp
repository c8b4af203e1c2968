// Starting programs for the plug-in: the user's editor, and ShellExecute.
#include <cstring>

#include "host.h"

#include <shellapi.h>

#include "shell.h"

namespace {

constexpr size_t kEditorBufferSize = 260;
constexpr const char* kEditorVariable = "KESTRUM_EDITOR";
constexpr const char* kDefaultEditor = "notepad.exe";

struct ExecuteState {
    bool enabled = true;
};
ExecuteState executeState;

} // namespace

void hostSetExecuteEnabled(bool enabled) {
    executeState.enabled = enabled;
}

// The editor named by KESTRUM_EDITOR, else Notepad. A name that does not fit the plug-in's
// 260-byte buffer is not cut (a cut path names some other file): the default is used instead.
extern "C" char* GetKestrumEditor(char* buffer) {
    if (!buffer) {
        hostLog("GetKestrumEditor null -> null");
        return nullptr;
    }
    char variable[kEditorBufferSize];
    const DWORD length = GetEnvironmentVariableA(kEditorVariable, variable, sizeof variable);
    const char* editor = length > 0 && length < sizeof variable ? variable : kDefaultEditor;
    memcpy(buffer, editor, strlen(editor) + 1);
    hostLog("GetKestrumEditor %s -> %s", hostHex(buffer).c_str(), hostQuote(buffer).c_str());
    return buffer;
}

extern "C" BOOL KSExecute(HWND owner, const char* operation, const char* file,
                          const char* arguments, const char* directory, int showCommand,
                          bool quiet) {
    const std::string args = hostHex(owner) + " " + hostQuote(operation) + " " + hostQuote(file) +
                             " " + hostQuote(arguments) + " " + hostQuote(directory) + " " +
                             std::to_string(showCommand) + " " + (quiet ? "1" : "0");
    if (!file) {
        hostLog("KSExecute %s -> 0 (no program)", args.c_str());
        return FALSE;
    }
    if (!executeState.enabled) {
        hostLog("KSExecute %s -> 1 (not run: execution is off)", args.c_str());
        return TRUE;
    }
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, operation, file, arguments, directory, showCommand));
    // ShellExecute reports success as a value above 32.
    const BOOL started = result > 32 ? TRUE : FALSE;
    hostLog("KSExecute %s -> %d", args.c_str(), started);
    if (!started && !quiet) {
        const std::string text = std::string("Cannot run ") + file;
        MessageBoxA(owner, text.c_str(), "Kestrum", MB_OK | MB_ICONERROR);
    }
    return started;
}
