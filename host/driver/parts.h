// The driver's pieces, one file each, and what they offer one another.
#pragma once

#include <string>

#include "host.h"
#include "shell.h"

// driver.cpp: the command table and its dispatch.
// Counts a command that could not be carried out and logs why ("> error: ...").
void fail(const char* format, const std::string& detail);
void runCommand(const std::string& line);

// words.cpp: the words of a command line. Numbers are decimal or 0x hex.
std::string firstWord(const std::string& text, std::string& rest);
std::string trimmed(const std::string& text);
bool parseNumber(const std::string& word, long long& value);
// Exactly `count` 32-bit integers and nothing after them.
bool parseInts(const std::string& text, int* values, int count);
// One of the two words `on` and `off`: true for `on`.
bool parseSwitch(const std::string& text, const char* on, const char* off, bool& value);

// message_loop.cpp: the shell's message loop, which also runs the commands typed meanwhile.
void handleMessages(DWORD milliseconds);
// Hands a typed command to the shell's thread; false when it could not be posted.
bool postCommand(DWORD shellThread, const std::string& line);
void requestQuit();
bool quitRequested();

// box_watcher.cpp: message boxes of this thread, logged as shown and closed with their first
// button while closing is on.
void startBoxWatcher(bool closing);
void stopBoxWatcher();
void setBoxClosing(bool closing);
void closeOpenBoxes();

// message_box_log.cpp: the plug-in's own MessageBoxA calls, logged as made.
void logMessageBoxCalls(HMODULE plugin);

// lifecycle.cpp: the plug-in's module and its entry points.
void setPluginPath(const std::string& path);
bool loadPlugin();
void startPlugin(const std::string& how);
void stopPlugin();
void unloadPlugin();
void queryPluginInfo(const std::string& argument);
// The first live window registered with the host, else the first window in the slit; a failure
// naming `command` when there is none.
HWND needPluginWindow(const char* command);
// The loaded plug-in module, or null.
HMODULE pluginModule();

// object_count.cpp: logs the plug-in's live GDI objects and contexts and this thread's windows.
void countObjects();

// window_commands.cpp: what the user does to the plug-in's window.
void rightClick(const std::string& arguments);
void hover(const std::string& arguments);
void sendMessage(const std::string& arguments);
void moveWindow(const std::string& arguments);
void ctrlDrag(const std::string& arguments);
// Both take the plug-in window, or the top-level window of this process titled as the quoted
// text that ends their arguments ("Velnor usage").
void screenshot(const std::string& arguments);
void describeWindow(const std::string& arguments);
