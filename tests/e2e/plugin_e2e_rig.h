// Runs the real Velnor.dll in kestrum.exe, each case in its own folder, and reads back the
// shell's log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform.h"

enum class Iphlpapi { Wine, Scripted, Missing, WithoutEntry };

struct E2eRun {
    std::string folder; // relative to the test's working folder
    Iphlpapi iphlpapi = Iphlpapi::Scripted;
    std::string settings; // Velnor.rc
    std::string rows;     // the scripted table: "<in> <out> <description>" lines
    std::vector<std::string> script;
};

struct E2eProcess {
    bool running = false;
    std::string folder;
};

// Prepares the folder and starts kestrum.exe on the script; the caller waits with e2eFinish.
bool e2eLaunch(const E2eRun& run, E2eProcess& launched);
// Waits for the run (at most a minute) and gives its exit code, or -1 when it had to be ended.
int e2eFinish(E2eProcess& launched);
// Ends a running case at once, as a crash would: no stop entry runs. The shell is found by the
// window the plug-in registered, so the start must be logged. The caller waits with e2eFinish.
bool e2eKill(const E2eProcess& launched);
// Asks a case that waits in the script command "run" to quit: the shell then stops the plug-in.
bool e2eQuit(const E2eProcess& launched);
// Launch and finish in one.
int e2eRunScript(const E2eRun& run);

std::vector<std::string> e2eLog(const std::string& folder);
// Replaces the scripted table's rows of a running case, atomically.
void e2eWriteRows(const std::string& folder, const std::string& rows);

// GetTickCount when the log of a running case first holds a line starting with `prefix`, looked
// for every 10 ms for at most 30 seconds; 0 when it never came.
DWORD e2eWaitForLine(const std::string& folder, const std::string& prefix);
