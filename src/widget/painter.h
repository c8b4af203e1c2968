// The widget's picture: drawn off-screen once per invalidation, copied on every repaint.
#pragma once

#include "platform.h"
#include "settings/reload.h"
#include "traffic/sampler.h"
#include "types.h"

// Draws the whole picture into `dc` with its origin at the widget's top-left corner.
void paintPicture(HDC dc, const WidgetSettings& settings, const DrawingResources& resources,
                  const TrafficReadings& readings);
// WM_PAINT: draws into cachedBitmap when it is absent, then copies the paint rectangle.
void onPaint(HWND window);
void invalidateWidget();
// Deletes cachedBitmap, if any; the stop sequence calls it so that nothing outlives the module.
void releaseCachedPicture();
// The kept picture, or null when the next paint draws anew.
HBITMAP cachedPicture();
