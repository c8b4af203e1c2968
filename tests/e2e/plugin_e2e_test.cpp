// Velnor.dll as the shell runs it: kestrum.exe with a script, checked from the shell's log and
// from a screenshot.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi.h"
#include "host.h"
#include "shell.h"
#include "plugin_e2e_rig.h"
#include "support/canvas.h"
#include "win/host_png.h"
#include "win/win_files.h"

namespace {

const char* const kThreeRows = "100 200 lo\n1000 2000 eth0\n5 6 wlan0\n";

// A text as the shell's log writes it.
std::string quoted(const std::string& text) {
    return hostQuote(text.c_str());
}

// The widget window as the host saw it register.
std::string widgetOf(const std::vector<std::string>& log, int from = 0) {
    const int at = findLine(log, "HOST_MSG_REGISTER ", from);
    if (at < 0)
        return "none";
    const std::string& line = log[static_cast<size_t>(at)];
    const size_t start = std::strlen("HOST_MSG_REGISTER ");
    return line.substr(start, line.find(' ', start) - start);
}

struct EntryCase {
    const char* name;
    const char* start; // the driver's start word
    const char* entry; // as the driver logs it
    const char* settings;
    bool adds, removes;
};

TEST(PluginE2e, EachStartEntryTellsTheSlitExactlyOnce) {
    const EntryCase cases[] = {
        {"free", "free", "beginPlugin", "Velnor.inSlit: true\n", false, false},
        {"slit", "slit", "beginSlitPlugin", "", true, true},
        {"ex_in_slit", "ex", "beginPluginEx", "Velnor.inSlit: true\n", true, true},
        {"ex_not_in_slit", "ex", "beginPluginEx", "", false, true},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run;
        run.folder = std::string("entry_") + c.name;
        run.settings = c.settings;
        run.rows = kThreeRows;
        run.script = {std::string("start ") + c.start, "wait 300", "stop"};
        ASSERT_EQ(e2eRunScript(run), 0);
        const std::vector<std::string> log = e2eLog(run.folder);
        const std::string widget = widgetOf(log);
        const std::string add = "SLIT_MSG_ADD 0x0 " + widget;
        const std::string remove = "SLIT_MSG_REMOVE 0x0 " + widget;
        EXPECT_EQ(countLinesStartingWith(log, "SLIT_MSG_ADD"), c.adds ? 1 : 0);
        EXPECT_EQ(countLinesStartingWith(log, "SLIT_MSG_REMOVE"), c.removes ? 1 : 0);
        EXPECT_EQ(countLinesStartingWith(log, "SLIT_MSG_UPDATE"), 0);
        const int started = findLine(log, std::string("> ") + c.entry + " -> 0");
        const int stopping = findLine(log, "> endPlugin");
        const int stopped = findLine(log, "> endPlugin done");
        ASSERT_GE(started, 0);
        // The add follows the window's creation (its registration and MakeSticky) and ends the
        // start; the remove falls inside the stop.
        if (c.adds) {
            const int added = findLine(log, add);
            EXPECT_GT(added, findLine(log, "MakeSticky " + widget));
            EXPECT_EQ(added, started - 1);
        }
        if (c.removes) {
            const int removed = findLine(log, remove);
            EXPECT_GT(removed, stopping);
            EXPECT_LT(removed, stopped);
        }
    }
}

struct FailureCase {
    const char* name;
    Iphlpapi iphlpapi;
};

TEST(PluginE2e, AMissingInterfaceQueryFailsTheStartBeforeAnythingIsReadOrMade) {
    const FailureCase cases[] = {
        {"no_library", Iphlpapi::Missing},
        {"no_entry", Iphlpapi::WithoutEntry},
    };
    const std::string fatal =
        "> MessageBoxA 0x0 " +
        quoted("Unable to load symbol \"GetIfTable\" from \"Iphlpapi.dll\"!") + " \"Fatal\" 0x0";
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run;
        run.folder = std::string("failure_") + c.name;
        run.iphlpapi = c.iphlpapi;
        run.settings = "Velnor.inSlit: true\n";
        // A failed start leaves the module as it was loaded: the second fails the same way.
        run.script = {"start slit", "start ex"};
        e2eRunScript(run);
        const std::vector<std::string> log = e2eLog(run.folder);
        EXPECT_EQ(linesStartingWith(log, "> MessageBoxA 0"),
                  std::vector<std::string>({fatal, fatal}));
        EXPECT_EQ(countLinesStartingWith(log, "> beginSlitPlugin -> 1"), 1);
        EXPECT_EQ(countLinesStartingWith(log, "> beginPluginEx -> 1"), 1);
        for (const char* never : {"Read", "GetSettingPtr", "CreateStyleFont", "HOST_MSG_REGISTER",
                                  "MakeSticky", "SLIT_MSG", "MakeStyleGradient"})
            EXPECT_EQ(countLinesStartingWith(log, never), 0) << never;
    }
}

struct VisibilityCase {
    const char* name;
    const char* settings;
    const char* command;
    bool visible;
};

TEST(PluginE2e, TheShellHidesTheWidgetOnlyWhenTheSettingsAllowIt) {
    const VisibilityCase cases[] = {
        {"hide_toggle", "Velnor.pluginToggle: true\n", "hide", false},
        {"hide_no_toggle", "", "hide", true},
    };
    for (const VisibilityCase& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run;
        run.folder = c.name;
        run.settings = c.settings;
        run.rows = kThreeRows;
        run.script = {"start free", c.command, "window", "show", "window", "stop"};
        ASSERT_EQ(e2eRunScript(run), 0);
        const std::vector<std::string> windows = linesStartingWith(e2eLog(run.folder), "> window ");
        ASSERT_EQ(windows.size(), 2u);
        EXPECT_NE(windows[0].find(c.visible ? " visible 1" : " visible 0"), std::string::npos)
            << windows[0];
        EXPECT_NE(windows[1].find(" visible 1"), std::string::npos) << windows[1];
    }
}

TEST(PluginE2e, EveryMenuItemRunsItsCommand) {
    E2eRun run;
    run.folder = "menu_choices";
    run.settings = "Velnor.adapter: 1\n";
    run.rows = kThreeRows;
    run.script = {"start free",   "rightclick",
                  "choose wlan0", "rightclick",
                  "mark write",   "choose write settings",
                  "mark read",    "choose read settings",
                  "mark edit",    "choose edit settings",
                  "mark about",   "choose About",
                  "stop"};
    ASSERT_EQ(e2eRunScript(run), 0);
    const std::vector<std::string> log = e2eLog(run.folder);
    EXPECT_EQ(countLinesStartingWith(log, "> error"), 0);
    // The second menu carries the check on the interface chosen from the first.
    const int second = findLine(log, "ShowMenu ", findLine(log, "ShowMenu ") + 1);
    ASSERT_GT(second, 0);
    EXPECT_EQ(log[static_cast<size_t>(second) + 2], "    item \"lo\" \"@Velnor.adapter.0\" 0");
    EXPECT_EQ(log[static_cast<size_t>(second) + 4], "    item \"wlan0\" \"@Velnor.adapter.2\" 1");
    const int write = findLine(log, "> mark write"), read = findLine(log, "> mark read"),
              edit = findLine(log, "> mark edit"), about = findLine(log, "> mark about");
    const std::vector<std::string> writing(log.begin() + write, log.begin() + read);
    ASSERT_EQ(countLinesStartingWith(writing, "WriteInt "), 3);
    EXPECT_NE(linesStartingWith(writing, "WriteInt ")[2].find("\"Velnor.adapter:\" 2"),
              std::string::npos);
    const std::vector<std::string> reading(log.begin() + read, log.begin() + edit);
    // The ledger's two keys, the cap's five and the interface's.
    EXPECT_EQ(countLinesStartingWith(reading, "Read"), 54 + 2 + 5 + 1);
    // The editor gets the file beside the loaded Velnor.dll, as one quoted argument.
    char file[MAX_PATH] = {};
    GetFullPathNameA((run.folder + "\\Velnor.rc").c_str(), sizeof file, file, nullptr);
    const std::vector<std::string> editing(log.begin() + edit, log.begin() + about);
    const std::vector<std::string> executed = linesStartingWith(editing, "KSExecute ");
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_NE(executed[0].find(" " + quoted(std::string("\"") + file + "\"") + " null 1 0"),
              std::string::npos)
        << executed[0];
    // The box's style is seen only here, where the import of MessageBoxA is hooked: Wine drops
    // MB_TOPMOST from the window it shows.
    const std::string text =
        quoted("Velnor 0.0.4\ncreated by Velnor developers\nhttps://velnor.example/");
    const std::vector<std::string> aboutBox(log.begin() + about, log.end());
    EXPECT_EQ(linesStartingWith(aboutBox, "> MessageBoxA 0"),
              std::vector<std::string>(
                  {"> MessageBoxA " + widgetOf(log) + " " + text + " \"About\" 0x40040"}));
    EXPECT_EQ(countLinesStartingWith(aboutBox, "> box \"About\" " + text), 1);
}

// The Adapter menu's Automatic and All interfaces items in the real shell, their commands (matched
// as a prefix, case counting) and what "write settings" leaves in the file, every other line as it
// was. The in-process commands test walks the rest of the cases.
TEST(PluginE2e, InterfaceItemsCommandsAndTheirWriteBack) {
    const char* const kFile =
        "! kept as it is\r\nVelnor.x: 10\r\nVelnor.y: 20\r\nVelnor.adapter: 1\r\n";
    const struct {
        const char* folder;
        std::string settings;
        std::vector<std::string> steps; // between the start and the second menu
        const char* automatic;          // the second menu's checks: "0" or "1"
        const char* all;
        const char* wlan0;
        std::string written;
    } cases[] = {
        {"iface_automatic",
         kFile,
         {"choose Automatic", "broadcast @velnor.interface.all"},
         "1",
         "0",
         "0",
         std::string(kFile) + "Velnor.interface: auto\r\n"},
        {"iface_all_then_number",
         "# kept\nVelnor.interface:\twlan0  \nVelnor.x: 10\nVelnor.y: 20\nVelnor.adapter: 0\n",
         {"broadcast @Velnor.interface.all and more", "rightclick", "choose wlan0"},
         "0",
         "0",
         "1",
         "# kept\nVelnor.interface:\twlan0\nVelnor.x: 10\nVelnor.y: 20\nVelnor.adapter: 2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        E2eRun run;
        run.folder = c.folder;
        run.settings = c.settings;
        run.rows = std::string(kThreeRows) + "route 2\n";
        run.script = {"start free", "rightclick"};
        run.script.insert(run.script.end(), c.steps.begin(), c.steps.end());
        run.script.insert(run.script.end(), {"rightclick", "choose write settings", "stop"});
        ASSERT_EQ(e2eRunScript(run), 0);
        const std::vector<std::string> log = e2eLog(run.folder);
        EXPECT_EQ(countLinesStartingWith(log, "> error"), 0);
        // Every menu ends the Adapter sub-menu with the two items; the last one shows the checks.
        int menu = -1;
        for (int at = findLine(log, "ShowMenu "); at >= 0; at = findLine(log, "ShowMenu ", at + 1))
            menu = at;
        ASSERT_GT(menu, 0);
        const std::vector<std::string> adapter(log.begin() + menu + 2, log.begin() + menu + 8);
        EXPECT_EQ(
            adapter,
            std::vector<std::string>({
                "    item \"lo\" \"@Velnor.adapter.0\" 0",
                "    item \"eth0\" \"@Velnor.adapter.1\" 0",
                std::string("    item \"wlan0\" \"@Velnor.adapter.2\" ") + c.wlan0,
                "    nop null",
                std::string("    item \"Automatic\" \"@Velnor.interface.auto\" ") + c.automatic,
                std::string("    item \"All interfaces\" \"@Velnor.interface.all\" ") + c.all,
            }));
        EXPECT_EQ(readFile(run.folder + "\\Velnor.rc", "none"), c.written);
    }
}

} // namespace

namespace {

// A graph caption as the painter should draw it: the shell's style font and text colour over the
// graph's background, centred on one line.
std::vector<std::uint32_t> expectedCaption(const char* text, int width, int height,
                                           COLORREF background) {
    std::vector<std::uint32_t> pixels;
    const void* style = GetSettingPtr(1);
    COLORREF color;
    std::memcpy(&color, static_cast<const char*>(style) + kStyleTextColorOffset, sizeof color);
    Canvas canvas(width, height);
    HFONT font = CreateStyleFont(style);
    HBRUSH brush = CreateSolidBrush(background);
    if (canvas.ok() && font && brush) {
        HDC dc = canvas.dc();
        ScopedSelect selected(dc, font);
        RECT box{0, 0, width, height};
        FillRect(dc, &box, brush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, color);
        DrawTextA(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        pixels = canvas.pixels();
    }
    DeleteObject(brush);
    DeleteObject(font);
    return pixels;
}

std::uint32_t rgb(COLORREF color) {
    return (std::uint32_t(GetRValue(color)) << 16) | (std::uint32_t(GetGValue(color)) << 8) |
           GetBValue(color);
}

struct ShownGraph {
    const char* name;
    int x, y, width, height;
    COLORREF color, background;
    const char* caption;
    const char* otherCaption;  // a near miss that must not match
    std::vector<int> lastBars; // the newest columns' bar heights, oldest first
};

// Pixels of the graph area, bars excluded, that differ from the expected caption picture.
int captionMismatches(const DecodedPng& shot, const ShownGraph& graph, const char* caption) {
    const std::vector<std::uint32_t> expected =
        expectedCaption(caption, graph.width, graph.height, graph.background);
    if (expected.empty())
        return -1;
    const int barColumns = static_cast<int>(graph.lastBars.size());
    int mismatches = 0;
    for (int y = 0; y < graph.height; ++y)
        for (int x = 0; x < graph.width - barColumns; ++x)
            if (shot.at(graph.x + x, graph.y + y) !=
                expected[static_cast<size_t>(y * graph.width + x)])
                ++mismatches;
    return mismatches;
}

int barHeight(const DecodedPng& shot, const ShownGraph& graph, int column) {
    int height = 0;
    for (int y = graph.y + graph.height - 1; y >= graph.y; --y, ++height)
        if (shot.at(graph.x + column, y) != rgb(graph.color))
            break;
    return height;
}

} // namespace

TEST(PluginE2e, KnownCountersGiveTheirCaptionsAndBars) {
    // One tick a second; the counters move by these amounts before each of three ticks.
    const unsigned receiveSteps[] = {1024, 3072, 1536};
    const unsigned sendSteps[] = {512, 512, 512};
    E2eRun run;
    run.folder = "screenshot";
    run.settings = "Velnor.x: 20\nVelnor.y: 300\nVelnor.width: 240\nVelnor.height: 100\n"
                   "Velnor.timer: 1000\n"
                   "Velnor.receiveGraph.x: 10\nVelnor.receiveGraph.y: 5\n"
                   "Velnor.receiveGraph.width: 100\nVelnor.receiveGraph.height: 40\n"
                   "Velnor.receiveGraph.color: #00FF00\nVelnor.receiveGraph.background: #000000\n"
                   "Velnor.sendGraph.x: 10\nVelnor.sendGraph.y: 55\n"
                   "Velnor.sendGraph.width: 100\nVelnor.sendGraph.height: 40\n"
                   "Velnor.sendGraph.color: #FF0000\nVelnor.sendGraph.background: #000040\n"
                   "Velnor.receiveLabel.left: 130\nVelnor.receiveLabel.right: 230\n"
                   "Velnor.sendLabel.left: 130\nVelnor.sendLabel.right: 230\n"
                   "Velnor.bothLabel.left: 130\nVelnor.bothLabel.right: 230\n"
                   "Velnor.costLabel.left: 130\nVelnor.costLabel.right: 230\n";
    unsigned received = 100000, sent = 200000;
    auto rows = [&] { return std::to_string(received) + " " + std::to_string(sent) + " eth0\n"; };
    run.rows = rows();
    run.script = {"start free", "mark started", "wait 3500", "screenshot shot.png", "stop"};
    E2eProcess launched;
    ASSERT_TRUE(e2eLaunch(run, launched));
    // The ticks come a second apart from the end of the start; each step lands half-way between.
    const DWORD started = e2eWaitForLine(run.folder, "> mark started");
    ASSERT_NE(started, 0u);
    for (int step = 0; step < 3; ++step) {
        const DWORD due = started + 500 + 1000 * static_cast<DWORD>(step);
        const int wait = static_cast<int>(due - GetTickCount());
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
        received += receiveSteps[step];
        sent += sendSteps[step];
        e2eWriteRows(run.folder, rows());
    }
    ASSERT_EQ(e2eFinish(launched), 0);

    DecodedPng shot;
    ASSERT_EQ(decodePngFile((run.folder + "\\shot.png").c_str(), shot), "");
    ASSERT_EQ(shot.width, 240);
    ASSERT_EQ(shot.height, 100);
    // Scaled to each graph's largest rate: 1024, 3072 and 1536 of 3072 over 40 pixels.
    const ShownGraph graphs[] = {
        {"receive",
         10,
         5,
         100,
         40,
         RGB(0, 255, 0),
         RGB(0, 0, 0),
         "1.500 KB/s",
         "1.000 KB/s",
         {0, 13, 40, 20}},
        {"send",
         10,
         55,
         100,
         40,
         RGB(255, 0, 0),
         RGB(0, 0, 0x40),
         "512 B/s",
         "513 B/s",
         {0, 40, 40, 40}},
    };
    for (const ShownGraph& graph : graphs) {
        SCOPED_TRACE(graph.name);
        const int first = graph.width - static_cast<int>(graph.lastBars.size());
        for (size_t i = 0; i < graph.lastBars.size(); ++i)
            EXPECT_EQ(barHeight(shot, graph, first + static_cast<int>(i)), graph.lastBars[i])
                << "column " << first + static_cast<int>(i);
        EXPECT_EQ(captionMismatches(shot, graph, graph.caption), 0);
        EXPECT_GT(captionMismatches(shot, graph, graph.otherCaption), 0);
    }
}
