// The Kestrum shell's functions and messages: the contract between the plug-in and any host.
#pragma once

#include "platform.h"

struct Menu;
struct MenuItem;

extern "C" {
HWND GetKSWnd(void);
int ReadInt(const char* path, const char* key, int defaultValue);
bool ReadBool(const char* path, const char* key, bool defaultValue);
COLORREF ReadColor(const char* path, const char* key, const char* defaultColor);
const char* ReadString(const char* path, const char* key, const char* defaultText); /* default may be NULL */
void WriteInt(const char* path, const char* key, int value);
void* GetSettingPtr(int which); /* 1: the 300-byte style record */
HFONT CreateStyleFont(const void* style);
void MakeStyleGradient(HDC dc, const RECT* rect, const void* style, bool bordered);
void MakeSticky(HWND window);
Menu* MakeNamedMenu(const char* title, const char* id, bool popup);
MenuItem* MakeMenuItem(Menu* menu, const char* text, const char* command, bool checked);
MenuItem* MakeSubmenu(Menu* menu, Menu* submenu, const char* text);
MenuItem* MakeMenuNOP(Menu* menu, const char* text);
void ShowMenu(Menu* menu);
char* GetKestrumEditor(char* buffer); /* buffer of 260 bytes; returns buffer */
BOOL KSExecute(HWND owner, const char* operation, const char* file, const char* arguments,
               const char* directory, int showCommand, bool quiet);
}

constexpr int kStyleRecordSize = 300;
constexpr int kStyleTextColorOffset = 24;

constexpr UINT HOST_MSG_REGISTER = 10001;
constexpr UINT HOST_MSG_RECONFIGURE = 10103;
constexpr UINT HOST_MSG_BROADCAST = 10901;
constexpr UINT SLIT_MSG_ADD = 11001;
constexpr UINT SLIT_MSG_REMOVE = 11002;
constexpr UINT SLIT_MSG_UPDATE = 11003;
