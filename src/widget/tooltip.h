// The widget's tooltip: which interface the picture shows, and its figures.
#pragma once

#include "platform.h"

// Made by the window's creation and destroyed with the window. Without it the widget runs on.
void createTooltip(HWND widget);
void destroyTooltip();
// WM_NOTIFY of the widget window: the tooltip asks it for its text.
void onTooltipNotify(NMHDR* header);
// After a tick: an open tooltip shows the new figures; a closed one waits until it opens. One that
// could not be made is made now.
void refreshTooltip();
