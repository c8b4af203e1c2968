// The stand-in shell's own side: its call log, its windows, menus and the state its driver and
// tests set.
#pragma once

#include <cstdint>
#include <memory>
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
// Starts a fresh log file (truncated); null or "" logs to memory only.
void hostSetLogFile(const char* path);
// How the log writes arguments: a text quoted with C escapes, or null; a handle or pointer as hex.
std::string hostQuote(const char* text);
std::string hostHex(const void* pointer);
std::string hostHex(uintptr_t value);

// GetKSWnd's answer.
void hostSetWindow(HWND window);

// The host window (answers HOST_MSG_REGISTER, sends broadcasts) and the slit window. Creating
// them also makes the host window GetKSWnd's answer. A failure names the call that failed and its
// error in `reason`, when given.
bool hostCreateWindows(HINSTANCE instance, std::string* reason = nullptr);
// "<call> failed: <the system's message> (error N)", of the calling thread's last error.
std::string hostFailedCall(const char* call);
void hostDestroyWindows();
HWND hostWindow();
HWND hostSlitWindow();

// Which window asked for which messages, in the order the windows registered.
struct HostRegistration {
    HWND window;
    std::vector<UINT> messages;
};
const std::vector<HostRegistration>& hostRegistrations();
// Sends `message` synchronously to every live window registered for it; returns how many got it.
int hostSendToRegistered(UINT message, WPARAM wParam, LPARAM lParam);
// HOST_MSG_BROADCAST with `text` to every window registered for it.
int hostBroadcast(const char* text);
// The same, later: when the host window's message comes up in the message loop.
bool hostPostBroadcast(const char* text);

// The slit's windows, top to bottom, and its layout: each window at kSlitPadding from the left,
// stacked with kSlitPadding between them and around them; the slit's client area fits them.
constexpr int kSlitPadding = 2;
const std::vector<HWND>& hostSlitWindows();

// Menus as the plug-in built them. Items are owned by their menu; menus by the shell, for the
// life of the process (a plug-in may keep one to show again).
struct Menu;
struct MenuItem {
    enum class Kind { Command, Submenu, Nop };
    Kind kind = Kind::Command;
    bool hasText = false;
    std::string text;
    bool hasCommand = false;
    std::string command;
    bool checked = false;
    Menu* submenu = nullptr;
};
struct Menu {
    std::string title;
    std::string id;
    bool popup = false;
    std::vector<std::unique_ptr<MenuItem>> items;
};

// Popup: ShowMenu pops the menu up (TrackPopupMenu); the chosen item's command is broadcast from
// the message loop, after ShowMenu and the plug-in's handler that called it have returned.
// Record: ShowMenu only logs and records the menu, and hostChooseMenuItem plays the user.
enum class HostMenuMode { Popup, Record };
void hostSetMenuMode(HostMenuMode mode);
const Menu* hostLastMenu();
// The last shown menu tree as the log writes it, one line per item, indented two spaces a level.
std::vector<std::string> hostMenuLines(const Menu* menu);
// Finds the first item of the last shown menu (depth first) whose text or command equals `key`
// and broadcasts its command; false when there is none or it has no command.
bool hostChooseMenuItem(const char* key);
void hostFreeMenus();

// KSExecute either runs the program or, for scripted runs, only logs what it would run.
void hostSetExecuteEnabled(bool enabled);

// Pixels of a window as 0x00RRGGBB, top row first; false when the window cannot be read.
bool hostCaptureWindow(HWND window, std::vector<uint32_t>& pixels, int& width, int& height);
// A 24-bit PNG of 0x00RRGGBB pixels, top row first, with uncompressed deflate blocks.
bool hostWritePng(const char* path, const std::vector<uint32_t>& pixels, int width, int height);
uint32_t hostCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t hostAdler32(const uint8_t* data, size_t size, uint32_t adler = 1);
