// What the plug-in's in-process tests share: the scripted interface table, the settings file
// beside the test, the host log, and the watcher that reads and closes message boxes.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"
#include "win/message_boxes.h"
#include "win/messages.h"

struct RigInterface {
    unsigned inOctets, outOctets;
    std::string description;
};

// Rows of the scripted Iphlpapi.dll loaded beside the test.
void rigSetInterfaces(const std::vector<RigInterface>& rows);
// The settings file the plug-in reads when started from this executable.
std::string rigSettingsPath();
void rigWriteSettings(const std::string& text);
// Host log lines that begin with `prefix`.
std::vector<std::string> rigLogLines(const char* prefix);
// Sends HOST_MSG_BROADCAST to `window` the way the host does.
void rigBroadcast(HWND window, const char* text);
HINSTANCE rigInstance();

// The stand-in shell's windows for a whole suite, recording menus and not running the editor.
class RigTest : public testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
};
