// The warning balloon: a balloon tooltip at the widget that closes by itself after a while or at
// a click. Never a message box: the warning must not stop the widget or the shell.
#pragma once

#include "platform.h"

constexpr UINT kBalloonShowMs = 10000;

// Shows `title` and `text` at the bottom edge of `widget`, in place of any balloon still open;
// false when its window cannot be had.
bool showBalloon(HWND widget, const char* title, const char* text, bool over);
// Hides the balloon, if shown.
void hideBalloon();
// Destroys the balloon's window: the stop sequence calls it.
void destroyBalloon();
// The balloon's window while it exists, shown or not.
HWND balloonWindow();
