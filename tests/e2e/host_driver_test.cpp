// kestrum.exe run as a separate process with the probe plug-in: what its log and its
// screenshots show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "support/launch.h"
#include "win/host_png.h"
#include "win/win_files.h"

namespace {

struct ShellRun {
    DWORD exitCode = 0;
    std::vector<std::string> log;
};

// Runs kestrum.exe beside this test with the probe plug-in and one argument per command; with
// `input`, that is the shell's standard input.
ShellRun runShell(const std::vector<std::string>& commands, const char* plugin = "host_probe.dll",
                  const char* input = nullptr) {
    const char* logFile = "kestrum-run.log";
    DeleteFileA(logFile);
    const std::string line = kestrumCommandLine(std::string("--log ") + logFile, plugin, commands);
    ShellRun run;
    HANDLE process = nullptr;
    if (!startProcess(nullptr, line, nullptr, input, process)) {
        ADD_FAILURE() << "cannot start " << line;
        return run;
    }
    if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "kestrum.exe did not finish: " << line;
        TerminateProcess(process, 99);
    }
    GetExitCodeProcess(process, &run.exitCode);
    CloseHandle(process);
    run.log = splitLines(readFile(logFile, ""));
    return run;
}

std::string joined(const std::vector<std::string>& log) {
    std::string text;
    for (const std::string& line : log)
        text += line + "\n";
    return text;
}

// Each prefix must appear after the previous one.
void expectInOrder(const std::vector<std::string>& log, const std::vector<std::string>& prefixes) {
    int at = 0;
    for (const std::string& prefix : prefixes) {
        const int found = findLine(log, prefix, at);
        ASSERT_GE(found, 0) << "missing, or out of order: " << prefix << "\n" << joined(log);
        at = found + 1;
    }
}

// The probe's window, as its registration names it.
std::string registeredWindow(const std::vector<std::string>& log) {
    const int line = findLine(log, "HOST_MSG_REGISTER ");
    if (line < 0)
        return "";
    const std::string rest = log[line].substr(sizeof "HOST_MSG_REGISTER " - 1);
    return rest.substr(0, rest.find(' '));
}

TEST(HostDriver, StartEntriesAndStopInOrder) {
    struct Row {
        const char* mode;
        const char* entry;
        bool slit;
    };
    const Row rows[] = {
        {"free", "beginPlugin", false},
        {"slit", "beginSlitPlugin", true},
        {"ex", "beginPluginEx", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        const ShellRun run = runShell({std::string("start ") + row.mode, "wait 50", "stop"});
        EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
        const std::string window = registeredWindow(run.log);
        ASSERT_FALSE(window.empty()) << joined(run.log);
        const std::string entry = std::string("> ") + row.entry;
        if (row.slit) {
            expectInOrder(run.log,
                          {"> LoadLibrary \"host_probe.dll\"", entry + " 0x", "GetKSWnd -> 0x",
                           "HOST_MSG_REGISTER " + window + " 10103 10901",
                           "SLIT_MSG_ADD 0x0 " + window, entry + " -> 0", "> endPlugin",
                           "SLIT_MSG_REMOVE 0x0 " + window, "> endPlugin done", "> FreeLibrary"});
        } else {
            expectInOrder(run.log,
                          {"> LoadLibrary \"host_probe.dll\"", entry + " 0x", "GetKSWnd -> 0x",
                           "HOST_MSG_REGISTER " + window + " 10103 10901", entry + " -> 0",
                           "> endPlugin", "> endPlugin done", "> FreeLibrary"});
            EXPECT_EQ(countLinesStartingWith(run.log, "SLIT_MSG_"), 0) << joined(run.log);
        }
    }
}

TEST(HostDriver, SecondStartInTheSameLoadedModule) {
    const ShellRun run = runShell({"start free", "stop", "start slit", "broadcast @x", "stop"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    EXPECT_EQ(countLinesStartingWith(run.log, "> LoadLibrary"), 1) << joined(run.log);
    expectInOrder(run.log,
                  {"> beginPlugin -> 0", "> endPlugin done", "> beginSlitPlugin -> 0",
                   "HOST_MSG_BROADCAST \"@x\" -> 0x", "> endPlugin done", "> FreeLibrary"});
    // The first window is gone: the broadcast reaches the second one only.
    const int broadcast = findLine(run.log, "HOST_MSG_BROADCAST");
    ASSERT_GE(broadcast, 0);
    EXPECT_EQ(std::count(run.log[broadcast].begin(), run.log[broadcast].end(), ' '), 3)
        << run.log[broadcast];
}

TEST(HostDriver, ExitEndsAPluginLeftRunning) {
    const ShellRun run = runShell({"start slit"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    expectInOrder(run.log, {"> beginSlitPlugin -> 0", "> endPlugin", "SLIT_MSG_REMOVE",
                            "> endPlugin done", "> FreeLibrary"});
}

TEST(HostDriver, MenuChoiceBroadcastsAndTheScreenshotShowsIt) {
    const char* shot = "probe-red.png";
    DeleteFileA(shot);
    const ShellRun run =
        runShell({"start slit", "wait 100", "broadcast @Probe.color.green", "rightclick",
                  "choose red", "wait 100", std::string("screenshot ") + shot, "stop"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    const std::string window = registeredWindow(run.log);
    const int shown = findLine(run.log, "ShowMenu 0x");
    ASSERT_GE(shown, 0) << joined(run.log);
    EXPECT_NE(run.log[shown].find(" \"Probe\" \"Probe_IDMain\""), std::string::npos);
    const std::vector<std::string> tree = {
        "  submenu \"Colour\" \"Colour\" \"Probe_IDColour\"",
        "    item \"green\" \"@Probe.color.green\" 1",
        "    item \"red\" \"@Probe.color.red\" 0",
        "  nop null",
        "  item \"Box\" \"@Probe.box\" 0",
    };
    ASSERT_GE(run.log.size(), shown + 1 + tree.size());
    for (size_t i = 0; i < tree.size(); ++i)
        EXPECT_EQ(run.log[shown + 1 + i], tree[i]);
    expectInOrder(run.log, {"> choose \"red\"", "MenuChoice \"red\" -> \"@Probe.color.red\"",
                            "HOST_MSG_BROADCAST \"@Probe.color.red\" -> " + window,
                            std::string("> screenshot \"") + shot + "\" " + window + " 40x30"});

    DecodedPng image;
    ASSERT_EQ(decodePngFile(shot, image), "");
    ASSERT_EQ(image.width, 40);
    ASSERT_EQ(image.height, 30);
    struct Pixel {
        int x, y;
        uint32_t rgb;
    };
    const Pixel pixels[] = {
        {0, 0, 0x000000},  {9, 9, 0x000000},   {10, 0, 0xff0000},
        {0, 10, 0xff0000}, {20, 15, 0xff0000}, {39, 29, 0xff0000},
    };
    for (const Pixel& p : pixels) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(image.at(p.x, p.y), p.rgb);
    }
}

TEST(HostDriver, MessageBoxesAreLoggedAndClosed) {
    const ShellRun run = runShell(
        {"start free", "broadcast @Probe.box", "broadcast @Probe.plainbox", "wait 50", "stop"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    const std::string window = registeredWindow(run.log);
    // The call as the plug-in made it, the box as it was shown (caption, text, the style read back
    // from it), and the box's answer, IDOK.
    expectInOrder(
        run.log,
        {"HOST_MSG_BROADCAST \"@Probe.box\"",
         "> MessageBoxA " + window + " \"line one\\nline two\" \"Probe box\" 0x40040",
         "> box \"Probe box\" \"line one\\nline two\" 0x40", "> MessageBoxA -> 1", "GetKSWnd",
         "HOST_MSG_BROADCAST \"@Probe.plainbox\"", "> MessageBoxA 0x0 \"plain\" \"Plain\" 0x0",
         "> box \"Plain\" \"plain\" 0x0 owner 0x0", "> MessageBoxA -> 1", "> endPlugin done"});
    EXPECT_EQ(countLinesStartingWith(run.log, "> box "), 2) << joined(run.log);
    // The read-back style: the information icon and OK only. Wine shows MB_TOPMOST boxes without
    // WS_EX_TOPMOST, so the topmost bit is read only where the platform sets it.
    const int box = findLine(run.log, "> box \"Probe box\"");
    ASSERT_GE(box, 0);
    const std::string& line = run.log[box];
    const size_t style = line.find("\" 0x", line.find("two\"")) + 2;
    const unsigned long value = strtoul(line.c_str() + style, nullptr, 16);
    EXPECT_EQ(value & 0xff, static_cast<unsigned long>(MB_ICONINFORMATION | MB_OK)) << line;
    EXPECT_NE(line.find(" owner " + window), std::string::npos) << line;
}

TEST(HostDriver, CtrlDragMovesThePluginWindow) {
    const ShellRun run = runShell({"start free", "wait 100", "ctrl-drag 30 20", "stop"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    const std::string window = registeredWindow(run.log);
    // The probe stands at 200, 200; its move loop ends with WM_EXITSIZEMOVE (MakeSticky).
    expectInOrder(run.log, {"> ctrl-drag " + window + " 30 20", "MakeSticky " + window,
                            "> ctrl-drag done at 230 220"});
}

TEST(HostDriver, InteractiveRunTakesCommandsFromItsInput) {
    const ShellRun run =
        runShell({}, "host_probe.dll", "# typed by the user\nbroadcast @Probe.color.red\nquit\n");
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    expectInOrder(run.log, {"> beginPlugin -> 0", "HOST_MSG_BROADCAST \"@Probe.color.red\"",
                            "> endPlugin done", "> FreeLibrary"});
}

TEST(HostDriver, CommandsThatCannotBeCarriedOutFailTheRun) {
    // One run: a failed command is logged and the run goes on with the next one.
    const ShellRun run = runShell({"frobnicate", "start sideways", "stop", "wait soon",
                                   "rightclick", "start free", "start free", "choose red",
                                   "rightclick", "choose Colour", "move 1", "mark still running"});
    EXPECT_EQ(run.exitCode, 1u);
    const char* errors[] = {
        "> error: unknown command \"frobnicate\"",
        "> error: start takes free, slit or ex, not \"sideways\"",
        "> error: not started",
        "> error: wait takes milliseconds, not \"soon\"",
        "> error: rightclick: the plug-in has no window",
        "> error: already started: stop first",
        "> error: no menu item to choose for \"red\"",
        "> error: no menu item to choose for \"Colour\"", // a sub-menu has no command
        "> error: move takes x y, not \"1\"",
        "> mark still running",
    };
    int at = 0;
    for (const char* error : errors) {
        SCOPED_TRACE(error);
        const int found = findLine(run.log, error, at);
        ASSERT_GE(found, 0) << joined(run.log);
        at = found + 1;
    }
    const ShellRun missing = runShell({"start free"}, "missing.dll");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_GE(findLine(missing.log, "> error: cannot load \"missing.dll\""), 0)
        << joined(missing.log);
}

TEST(HostDriver, InfoAndSendMessage) {
    const ShellRun run = runShell({"info 1", "info 7", "start free", "sendmessage 10103", "stop"});
    EXPECT_EQ(run.exitCode, 0u) << joined(run.log);
    const std::string window = registeredWindow(run.log);
    expectInOrder(run.log, {"> info 1 -> \"Probe\"", "> info 7 -> \"Probe 1.0\"",
                            "> sendmessage " + window + " 10103 0x0 0x0", "MakeSticky " + window,
                            "> sendmessage -> 0x0"});
}

} // namespace
