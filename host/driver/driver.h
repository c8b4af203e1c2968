// kestrum.exe's driver: runs a plug-in through a list of commands (see driver.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct DriverOptions {
    std::string plugin;                // path of the plug-in DLL
    std::vector<std::string> commands; // one command each, in order
    // Scripted runs record menus instead of popping them up, close message boxes and run no
    // programs; an interactive run does the opposite.
    bool scripted = false;
};

// Runs the commands; afterwards stops the plug-in if it still runs and unloads it. The result is
// 0 when every command could be carried out, 1 otherwise.
int runDriver(const DriverOptions& options);

// One line per command word: its arguments and what it does.
void printCommandUsage(FILE* out);

// Takes commands from standard input, one a line, while runDriver handles messages; for
// interactive runs. Call on the thread that then calls runDriver.
void startCommandReader();

// Splits a script into its commands: one a line, blank lines and lines starting with '#' skipped,
// surrounding blanks and a line's carriage return dropped.
std::vector<std::string> splitScript(const std::string& text);
