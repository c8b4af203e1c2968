#include "driver.h"
#include "parts.h"

#include <cstdio>

namespace {

// Reads standard input on a thread of its own and hands each line to the shell's thread. The
// thread ends at the end of input; the shell does not wait for it.
DWORD WINAPI readCommands(LPVOID parameter) {
    const DWORD shellThread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    char line[4096];
    while (fgets(line, sizeof line, stdin)) {
        const std::string command = trimmed(line);
        if (!command.empty() && command[0] != '#')
            postCommand(shellThread, command);
    }
    return 0;
}

} // namespace

void startCommandReader() {
    // A thread has a message queue only once it asks for messages; without one, the commands the
    // reader posts before the shell's loop runs would be lost.
    MSG none;
    PeekMessageA(&none, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    const auto shellThread = static_cast<uintptr_t>(GetCurrentThreadId());
    if (HANDLE thread = CreateThread(nullptr, 0, readCommands,
                                     reinterpret_cast<LPVOID>(shellThread), 0, nullptr))
        CloseHandle(thread);
}
