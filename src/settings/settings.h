// The settings record, its file's location, and the three values written back.
#pragma once

#include "platform.h"
#include "types.h"

extern WidgetSettings widgetSettings;
extern char pluginDirectory[kPathSize];
extern char settingsPath[kPathSize];

void derivePaths(HINSTANCE instance);
// Every key from settingsPath into `into`, in table order; icons go through loadIcon at once.
void readSettings(WidgetSettings& into);
void writeSettings();
