// What the plug-in's in-process tests share: the scripted interface table, the settings file
// beside the test, the host log, and a watcher that reads and closes message boxes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform.h"

struct RigInterface {
    unsigned inOctets, outOctets;
    std::string description;
};

// Rows of the scripted Iphlpapi.dll loaded beside the test.
void rigSetInterfaces(const std::vector<RigInterface>& rows);
// The settings file the plug-in reads when started from this executable.
std::string rigSettingsPath();
void rigWriteSettings(const std::string& text);
std::string rigReadSettings();
// Host log lines that begin with `prefix`.
std::vector<std::string> rigLogLines(const char* prefix);
// Sends HOST_MSG_BROADCAST to `window` the way the host does.
void rigBroadcast(HWND window, const char* text);
// Runs this thread's messages for about `milliseconds`.
void rigPump(int milliseconds);
HINSTANCE rigInstance();

struct SeenBox {
    HWND owner;
    std::string caption, text;
    HICON icon;  // null when the box shows none
    bool okOnly; // an OK button and no other
};

// While alive, every message box of this thread is recorded and closed with OK. `onOpen` runs
// inside the box's own message loop before it is closed, with the box's index.
class BoxWatch {
  public:
    explicit BoxWatch(std::function<void(int)> onOpen = nullptr);
    ~BoxWatch();
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;
    std::vector<SeenBox> boxes;
    std::function<void(int)> onOpen;

  private:
    UINT_PTR timer_;
};
