// kestrum.exe as a separate process: its command line, and the start of a process with a given
// standard input.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"

// "kestrum.exe <options> <plugin>", then each command as one argument in double quotes.
inline std::string kestrumCommandLine(const std::string& options, const std::string& plugin,
                                      const std::vector<std::string>& commands = {}) {
    std::string line = "kestrum.exe " + options + " " + plugin;
    for (const std::string& command : commands) {
        line += " \"";
        for (char c : command)
            line += c == '"' ? std::string("\\\"") : std::string(1, c);
        line += "\"";
    }
    return line;
}

// Starts `commandLine` (run by `application` when that is not null) in `environment` (a block of
// NUL-ended strings, null for this process's own); with `input`, that text is its standard input.
// False when it did not start; else `process` is its handle for the caller to close, null for a
// Unix program that Wine started.
inline bool startProcess(const char* application, const std::string& commandLine, char* environment,
                         const char* input, HANDLE& process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (input) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
            return false;
        SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = readEnd;
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION started = {};
    const bool ok = CreateProcessA(application, line.data(), nullptr, nullptr, input ? TRUE : FALSE,
                                   0, environment, nullptr, &startup, &started) != 0;
    if (input) {
        CloseHandle(readEnd);
        DWORD written = 0;
        if (ok)
            WriteFile(writeEnd, input, static_cast<DWORD>(std::strlen(input)), &written, nullptr);
        CloseHandle(writeEnd);
    }
    if (!ok)
        return false;
    if (started.hThread)
        CloseHandle(started.hThread);
    process = started.hProcess;
    return true;
}
