// The widget window: class, creation, window procedure and apply window settings.
#pragma once

#include "platform.h"

constexpr char kWidgetClass[] = "VelnorClass";

// What the window hands on to the command layer above it.
struct WidgetCommands {
    void (*broadcast)(HWND window, const char* text);
    void (*contextMenu)();
};

// Registers kWidgetClass and creates the window; shows the error box and returns false on failure.
bool createWidgetWindow(const WidgetCommands& commands);
void destroyWidgetWindow();
void applyWindowSettings(HWND window);
LRESULT CALLBACK widgetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
