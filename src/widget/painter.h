// The widget's picture: drawn off-screen once per invalidation, copied on every repaint.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"
#include "settings/reload.h"
#include "traffic/sampler.h"
#include "types.h"
#include "widget/figures.h"

// Draws the whole picture into `dc` with its origin at the widget's top-left corner.
void paintPicture(HDC dc, const WidgetSettings& settings, const DrawingResources& resources,
                  const TrafficReadings& readings, const LabelFigures& figures);
// WM_PAINT and WM_PRINTCLIENT: draw into cachedBitmap when it is absent, then copy the paint
// rectangle or the whole client area.
void onPaint(HWND window);
void onPrintClient(HWND window, HDC dc);
void invalidateWidget();
// Deletes cachedBitmap and its memory context, if any; the stop sequence calls it so that nothing
// outlives the module.
void releaseCachedPicture();
// The kept picture, or null when the next paint draws anew.
HBITMAP cachedPicture();
