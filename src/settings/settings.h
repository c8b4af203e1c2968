// The settings record, its file's location, and the three values written back. Only the functions
// below change them; everyone else reads widgetSettings(), pluginDirectory() and settingsPath().
#pragma once

#include "platform.h"
#include "types.h"

const WidgetSettings& widgetSettings();
const char* pluginDirectory();
const char* settingsPath();
// The usage ledger's file beside the settings file, into kPathSize bytes; empty without one.
void usagePath(char* out);

void derivePaths(HINSTANCE instance);
// For a widget run without a start entry (the tests, the benchmark); empty ones at stop.
void usePaths(const char* directory, const char* path);
// Every key from settingsPath into `into`, in table order; icons go through loadIcon at once.
void readSettings(WidgetSettings& into);
// The settings file is there but cannot be read (another program holds it without sharing): the
// shell's reads would answer every default.
bool settingsFileUnreadable();
void writeSettings();

// The period of the running timer, in force while a changed one could not be started: the rates
// divide by the period the ticks come at.
void keepTimerPeriod(int period);
// Where the free-floating window stands, for the next write.
void setPosition(int x, int y);
// The interface at `position` from now on; the sampler starts afresh on it.
void selectAdapter(int position);
// The interfaces "Velnor.interface:" names from now on (a GUID, a description, "auto", "all"),
// written back from then on, and the position `position` when it is not negative; the sampler
// starts afresh on them.
void chooseInterface(const char* name, int position);
// Puts `next` in place and hands back the record it replaces, whose objects the caller releases.
// The sampler works on the installed record from then on.
WidgetSettings installSettings(const WidgetSettings& next);
