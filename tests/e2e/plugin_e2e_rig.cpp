#include "plugin_e2e_rig.h"

#include "support/launch.h"
#include "win/win_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The build's Unix paths, as Wine's Z: drive sees them.
std::string windowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string absolute(const std::string& path) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return full;
}

// The loader reads its overrides from the Unix environment, which a Windows parent cannot set
// for a Windows child: so the case runs through /bin/sh, which gets the overrides as a variable
// of another name and starts kestrum.exe with them.
std::string overridesFor(Iphlpapi iphlpapi) {
    switch (iphlpapi) {
    case Iphlpapi::Missing:
        return "iphlpapi=";
    case Iphlpapi::Scripted:
    case Iphlpapi::WithoutEntry:
        return "iphlpapi=n,b";
    case Iphlpapi::Wine:
        break;
    }
    return "";
}

std::vector<char> environmentFor(const E2eRun& run) {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1)
        block.insert(block.end(), entry, entry + std::strlen(entry) + 1);
    FreeEnvironmentStringsA(strings);
    const std::string added[] = {
        "E2E_OVERRIDES=" + overridesFor(run.iphlpapi),
        "E2E_IFTABLE=" + absolute(run.folder + "\\rows.txt"),
    };
    for (const std::string& entry : added)
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back('\0');
    return block;
}

bool copyInto(const char* unixSource, const std::string& folder, const char* name) {
    return CopyFileA(windowsPath(unixSource).c_str(), (folder + "\\" + name).c_str(), FALSE) != 0;
}

} // namespace

bool e2eLaunch(const E2eRun& run, E2eProcess& launched) {
    CreateDirectoryA(run.folder.c_str(), nullptr);
    DeleteFileA((run.folder + "\\kestrum.log").c_str());
    DeleteFileA((run.folder + "\\Iphlpapi.dll").c_str());
    if (!copyInto(E2E_KESTRUM_EXE, run.folder, "kestrum.exe") ||
        !copyInto(E2E_VELNOR_DLL, run.folder, "Velnor.dll"))
        return false;
    if (run.iphlpapi == Iphlpapi::Scripted &&
        !copyInto(E2E_FAKE_IPHLPAPI, run.folder, "Iphlpapi.dll"))
        return false;
    if (run.iphlpapi == Iphlpapi::WithoutEntry &&
        !copyInto(E2E_IPHLPAPI_WITHOUT_ENTRY, run.folder, "Iphlpapi.dll"))
        return false;
    std::string script;
    for (const std::string& line : run.script)
        script += line + "\n";
    if (!writeFile(run.folder + "\\Velnor.rc", run.settings) ||
        !writeFile(run.folder + "\\rows.txt", run.rows) ||
        !writeFile(run.folder + "\\script.txt", script))
        return false;
    DeleteFileA((run.folder + "\\exit.txt").c_str());
    // The folder is relative to this test's working folder, which is E2E_WORK_DIR.
    const std::string unixFolder = std::string(E2E_WORK_DIR) + "/" + run.folder;
    std::string command =
        "/bin/sh -c \"cd '" + unixFolder +
        "' && WINEDLLOVERRIDES=$E2E_OVERRIDES VELNOR_FAKE_IFTABLE=\\\"$E2E_IFTABLE\\\" " E2E_WINE
        " " +
        kestrumCommandLine("--log kestrum.log --script script.txt", "Velnor.dll") +
        " >output.txt 2>&1; echo $? >exit.new && mv exit.new exit.txt\"";
    std::vector<char> environment = environmentFor(run);
    // A Unix child gives no process handle: e2eFinish waits for the file of its exit code.
    HANDLE process = nullptr;
    if (!startProcess("Z:\\bin\\sh", command, environment.data(), nullptr, process))
        return false;
    launched.running = true;
    launched.folder = run.folder;
    return true;
}

int e2eFinish(E2eProcess& launched) {
    if (!launched.running)
        return -1;
    launched.running = false;
    // The shell leaves the exit code in a file.
    const std::string exitFile = launched.folder + "\\exit.txt";
    for (int waited = 0; waited < 60000; waited += 20) {
        const std::string code = readFile(exitFile, "");
        if (!code.empty())
            return std::atoi(code.c_str());
        Sleep(20);
    }
    return -1;
}

namespace {

// The thread and process of the window the plug-in registered with the shell: the shell's own.
DWORD shellThread(const E2eProcess& launched, DWORD& process) {
    const std::vector<std::string> log = e2eLog(launched.folder);
    const int at = findLine(log, "HOST_MSG_REGISTER 0x");
    if (!launched.running || at < 0)
        return 0;
    const char* hex = log[static_cast<std::size_t>(at)].c_str() + std::strlen("HOST_MSG_REGISTER ");
    HWND window =
        reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(hex, nullptr, 16)));
    process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    return process != 0 ? thread : 0;
}

} // namespace

bool e2eKill(const E2eProcess& launched) {
    DWORD id = 0;
    if (shellThread(launched, id) == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (process == nullptr)
        return false;
    const bool killed = TerminateProcess(process, 9) != 0;
    CloseHandle(process);
    return killed;
}

bool e2eQuit(const E2eProcess& launched) {
    DWORD id = 0;
    const DWORD thread = shellThread(launched, id);
    return thread != 0 && PostThreadMessageA(thread, WM_QUIT, 0, 0) != 0;
}

int e2eRunScript(const E2eRun& run) {
    E2eProcess launched;
    if (!e2eLaunch(run, launched))
        return -2;
    return e2eFinish(launched);
}

std::vector<std::string> e2eLog(const std::string& folder) {
    return splitLines(readFile(folder + "\\kestrum.log", ""));
}

void e2eWriteRows(const std::string& folder, const std::string& rows) {
    const std::string temporary = folder + "\\rows.new";
    if (writeFile(temporary, rows))
        MoveFileExA(temporary.c_str(), (folder + "\\rows.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}

DWORD e2eWaitForLine(const std::string& folder, const std::string& prefix) {
    for (int waited = 0; waited < 30000; waited += 10) {
        if (findLine(e2eLog(folder), prefix) >= 0)
            return GetTickCount();
        Sleep(10);
    }
    return 0;
}
