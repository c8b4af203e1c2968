// The broadcast command vocabulary and the context menu.
#pragma once

#include "platform.h"

void handleBroadcast(HWND window, const char* text);
void showContextMenu();
