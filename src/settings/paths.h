#pragma once

#include "types.h"

// From the module's full path: the directory with its trailing backslash, and the settings file
// (everything after the last dot replaced by "rc"). Both outputs hold kPathSize bytes.
void splitModulePath(const char* modulePath, char* directory, char* settingsFile);
