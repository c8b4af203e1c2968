// kestrum.exe, the stand-in shell:
//   kestrum.exe [--log FILE] [--script FILE] [--start free|slit|ex] PLUGIN.dll [COMMAND ...]
// With a script or commands the run is scripted (see driver/driver.cpp); without, the plug-in is
// started (free unless --start says otherwise) and runs, taking further commands from standard
// input, until "quit" or Ctrl+C.
#include <cstdio>
#include <cstring>

#include "driver/driver.h"
#include "host.h"

namespace {

struct MainState {
    DWORD thread = 0;
};
MainState mainState;

BOOL WINAPI onConsoleControl(DWORD) {
    PostThreadMessageA(mainState.thread, WM_QUIT, 0, 0);
    return TRUE;
}

int usage(const char* problem) {
    fprintf(stderr,
            "kestrum: %s\n"
            "usage: kestrum.exe [--log FILE] [--script FILE] [--start free|slit|ex] PLUGIN.dll "
            "[COMMAND ...]\n",
            problem);
    printCommandUsage(stderr);
    return 2;
}

bool readFile(const char* path, std::string& text) {
    FILE* in = fopen(path, "rb");
    if (!in)
        return false;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, got);
    const bool ok = !ferror(in);
    fclose(in);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    DriverOptions options;
    std::string startMode = "free";
    int i = 1;
    for (; i < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (i + 1 >= argc)
            return usage("an option lacks its value");
        const char* value = argv[i + 1];
        if (strcmp(argv[i], "--log") == 0) {
            hostSetLogFile(value);
        } else if (strcmp(argv[i], "--script") == 0) {
            std::string text;
            if (!readFile(value, text))
                return usage((std::string("cannot read the script ") + value).c_str());
            for (std::string& command : splitScript(text))
                options.commands.push_back(std::move(command));
            options.scripted = true;
        } else if (strcmp(argv[i], "--start") == 0) {
            startMode = value;
        } else {
            return usage((std::string("unknown option ") + argv[i]).c_str());
        }
    }
    if (i >= argc)
        return usage("no plug-in named");
    options.plugin = argv[i++];
    for (; i < argc; ++i) {
        options.commands.emplace_back(argv[i]);
        options.scripted = true;
    }
    mainState.thread = GetCurrentThreadId();
    if (!options.scripted) {
        options.commands = {"start " + startMode, "run"};
        startCommandReader();
    }
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    return runDriver(options);
}
