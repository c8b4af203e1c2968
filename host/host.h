// The stand-in shell's own side: its call log and the state its driver and tests set.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

#ifdef __GNUC__
#define HOST_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define HOST_PRINTF(f, a)
#endif

// One line of the log of what the plug-in asked of the shell; kept in memory and, when a log file
// is set, appended to it at once (so that a crash loses nothing).
void hostLog(const char* format, ...) HOST_PRINTF(1, 2);
std::vector<std::string>& hostLogLines();
void hostSetLogFile(const char* path);

// GetKSWnd's answer.
void hostSetWindow(HWND window);
