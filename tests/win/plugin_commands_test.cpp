// The broadcast commands and the context menu of a widget started in this process, against the
// stand-in shell's functions and the scripted interface table.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "handles.h"
#include "host.h"
#include "plugin/commands.h"
#include "plugin_rig.h"
#include "settings/settings.h"
#include "support/canvas.h"
#include "support/fake_iphlpapi_client.h"
#include "support/import_hook.h"
#include "traffic/sampler.h"
#include "widget/painter.h"
#include "win/win_files.h"

extern "C" int beginPlugin(HINSTANCE instance);
extern "C" void endPlugin();

namespace {

const std::vector<RigInterface> kThreeInterfaces = {
    {100, 200, "lo"}, {1000, 2000, "eth0"}, {5, 6, "wlan0 with a long name"}};

class CommandsTest : public RigTest {
  protected:
    void start(const std::string& settings,
               const std::vector<RigInterface>& interfaces = kThreeInterfaces) {
        rigSetInterfaces(interfaces);
        rigWriteSettings(settings);
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        started = true;
        widget = moduleHandles().widget;
        ASSERT_NE(widget, nullptr);
        hostLogLines().clear();
    }
    void TearDown() override {
        if (started)
            endPlugin();
    }

    bool started = false;
    HWND widget = nullptr;
};

struct BroadcastCase {
    const char* text;
    bool toggle;      // "Velnor.pluginToggle:"
    bool startHidden; // the window is hidden before the text arrives
    bool visible;     // afterwards
    int adapter;      // afterwards; the file says 1
    bool reloads, writes, edits, about;
};

const BroadcastCase kBroadcastCases[] = {
    // text                              toggle hidden visible adapter read write edit about
    {"@KSShowPlugins", false, true, true, 1, false, false, false, false},
    {"@KSShowPlugins", true, true, true, 1, false, false, false, false},
    {"@KSShowPlugins ", false, true, false, 1, false, false, false, false},
    {"@KSHidePlugins", false, false, true, 1, false, false, false, false},
    {"@KSHidePlugins", true, false, false, 1, false, false, false, false},
    {"@KSHidePluginsX", true, false, true, 1, false, false, false, false},
    {"@Velnor.adapter.2", false, false, true, 2, false, false, false, false},
    {"@Velnor.adapter.0", false, false, true, 0, false, false, false, false},
    {"@Velnor.adapter.3", false, false, true, 1, false, false, false, false},
    {"@Velnor.adapter.two", false, false, true, 1, false, false, false, false},
    {"@Velnor.settings.read", false, false, true, 1, true, false, false, false},
    {"@Velnor.settings.write", false, false, true, 1, false, true, false, false},
    {"@Velnor.settings.edit", false, false, true, 1, false, false, true, false},
    {"@Velnor.about", false, false, true, 1, false, false, false, true},
    // The later words are tried on what follows "adapter.", in the table's order. The rules of
    // matching and of positions are the unit tests' (command_words_test).
    {"@Velnor.adapter.settings.write", false, false, true, 1, false, true, false, false},
    {"@Velnor.adapter.about", false, false, true, 1, false, false, false, true},
};

TEST_F(CommandsTest, EachTextHasExactlyItsEffect) {
    for (const BroadcastCase& c : kBroadcastCases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" toggle " << c.toggle);
        start(std::string("Velnor.adapter: 1\nVelnor.pluginToggle: ") +
              (c.toggle ? "true" : "false") + "\n");
        if (c.startHidden)
            ShowWindow(widget, SW_HIDE);
        hostLogLines().clear();
        BoxWatcher watch;
        rigBroadcast(widget, c.text);
        EXPECT_EQ(IsWindowVisible(widget) != FALSE, c.visible);
        EXPECT_EQ(widgetSettings().adapter, c.adapter);
        EXPECT_EQ(rigLogLines("ReadInt ").empty(), !c.reloads);
        EXPECT_EQ(rigLogLines("WriteInt ").size(), c.writes ? 3u : 0u);
        EXPECT_EQ(rigLogLines("KSExecute ").size(), c.edits ? 1u : 0u);
        EXPECT_EQ(watch.seen().size(), c.about ? 1u : 0u);
        endPlugin();
        started = false;
    }
}

TEST_F(CommandsTest, NullTextIsIgnored) {
    start("Velnor.pluginToggle: true\n");
    BoxWatcher watch;
    handleBroadcast(widget, nullptr);
    EXPECT_TRUE(IsWindowVisible(widget));
    EXPECT_TRUE(hostLogLines().empty());
    EXPECT_TRUE(watch.seen().empty());
}

// The maximum stays until the next tick recomputes it.
bool historiesCleared() {
    for (const Graph& graph : widgetSettings().graphs) {
        for (int j = 0; j < graph.width; ++j)
            if (graph.history[j] != 0)
                return false;
    }
    return true;
}

TEST_F(CommandsTest, AdapterSelectsAndRebasesOnlyForAPositionInTheTable) {
    std::vector<RigInterface> rows = kThreeInterfaces;
    start("Velnor.adapter: 1\n", rows);
    rows[1].inOctets += 40;
    rows[2].inOctets += 300;
    rows[2].outOctets += 600;
    rigSetInterfaces(rows);
    TrafficSampler::tick();
    ASSERT_FALSE(historiesCleared());
    // Ignored: the history and the totals stay those of interface 1.
    rigBroadcast(widget, "@Velnor.adapter.3");
    EXPECT_FALSE(historiesCleared());
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 1040);
    // Taken: cleared, and the totals are interface 2's counters as they stand.
    rigBroadcast(widget, "@Velnor.adapter.2");
    EXPECT_EQ(widgetSettings().adapter, 2);
    EXPECT_TRUE(historiesCleared());
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 305);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Send], 606);
}

TEST_F(CommandsTest, ReadReloadsAndAppliesTheWindowSettings) {
    start("Velnor.x: 30\nVelnor.y: 40\nVelnor.adapter: 1\n");
    rigBroadcast(widget, "@Velnor.adapter.2");
    rigWriteSettings("Velnor.x: 70\nVelnor.y: 80\nVelnor.width: 120\nVelnor.adapter: 0\n");
    rigBroadcast(widget, "@Velnor.settings.read");
    RECT rect{};
    GetWindowRect(widget, &rect);
    EXPECT_EQ(rect.left, 70);
    EXPECT_EQ(rect.top, 80);
    EXPECT_EQ(rect.right - rect.left, 120);
    // A selection that was not written gives way to the file's.
    EXPECT_EQ(widgetSettings().adapter, 0);
}

int pensRefused = 0, brushesRefused = 0;
HPEN WINAPI noPen(int, int, COLORREF) {
    ++pensRefused;
    return nullptr;
}
HBRUSH WINAPI noBrush(COLORREF) {
    ++brushesRefused;
    return nullptr;
}

// Pens and brushes that cannot be made: the picture still takes the new colours, never the
// replaced brush's.
TEST_F(CommandsTest, ReadWithoutPensOrBrushesDrawsTheNewColours) {
    start("Velnor.sctEnabled: true\nVelnor.sctColor: #102030\n");
    rigWriteSettings(
        "Velnor.sctEnabled: true\nVelnor.sctColor: #405060\n"
        "Velnor.receiveGraph.color: #70F080\nVelnor.receiveGraph.background: #9000A0\n");
    {
        ImportHook pen("gdi32.dll", "CreatePen", &noPen);
        ImportHook brush("gdi32.dll", "CreateSolidBrush", &noBrush);
        rigBroadcast(widget, "@Velnor.settings.read");
    }
    ASSERT_TRUE(pensRefused > 0 && brushesRefused > 0) << "the read made its pens and brushes";
    rigSetInterfaces({{5000, 200, "lo"}, {1000, 2000, "eth0"}, {5, 6, "wlan0 with a long name"}});
    TrafficSampler::tick();
    invalidateWidget();
    Canvas canvas(100, 100);
    SendMessageA(widget, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.at(99, 99), RGB(0x40, 0x50, 0x60));
    EXPECT_EQ(canvas.at(49, 5), RGB(0x70, 0xF0, 0x80)) << "the newest bar";
    EXPECT_EQ(canvas.at(5, 5), RGB(0x90, 0x00, 0xA0)) << "the plot";
}

TEST_F(CommandsTest, EditHandsTheEditorTheQuotedSettingsPath) {
    start("");
    const std::string spaced = "C:\\Program Files\\Kestrum\\plugins\\Velnor.rc";
    usePaths(pluginDirectory(), spaced.c_str());
    rigBroadcast(widget, "@Velnor.settings.edit");
    const std::vector<std::string> executed = rigLogLines("KSExecute ");
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_NE(executed[0].find(" " + hostQuote(("\"" + spaced + "\"").c_str()) + " null 1 0"),
              std::string::npos)
        << executed[0];
    EXPECT_EQ(executed[0].compare(0, 19, "KSExecute 0x0 null "), 0) << executed[0];
    EXPECT_EQ(rigLogLines("GetKestrumEditor").size(), 1u);
}

TEST_F(CommandsTest, AboutBoxShowsTheThreeLinesOwnedByTheWidget) {
    start("");
    BoxWatcher watch;
    rigBroadcast(widget, "@Velnor.about");
    ASSERT_EQ(watch.seen().size(), 1u);
    const SeenBox& box = watch.seen()[0];
    EXPECT_EQ(box.text, "Velnor 0.0.4\ncreated by Velnor developers\nhttps://velnor.example/");
    EXPECT_EQ(box.caption, "About");
    EXPECT_EQ(box.owner, widget);
    // Wine shows MB_TOPMOST without WS_EX_TOPMOST; the end-to-end tests read the style the
    // shell's log records for the call.
    EXPECT_EQ(box.buttons, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_INFORMATION));
}

TEST_F(CommandsTest, CommandsRunWhileAnAboutBoxIsOpen) {
    start("Velnor.adapter: 1\n");
    BoxWatcher watch([this](std::size_t index) {
        if (index == 0) {
            rigBroadcast(widget, "@Velnor.adapter.2");
            rigBroadcast(widget, "@Velnor.about");
        }
        return true;
    });
    rigBroadcast(widget, "@Velnor.about");
    EXPECT_EQ(watch.seen().size(), 2u);
    EXPECT_EQ(widgetSettings().adapter, 2);
}

// The menu tree as lines: "title id" for a menu, then its items indented.
void describeMenu(const Menu* menu, int depth, std::vector<std::string>& lines) {
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    lines.push_back(indent + "menu " + menu->title + " " + menu->id +
                    (menu->popup ? "" : " !popup"));
    for (const auto& item : menu->items) {
        switch (item->kind) {
        case MenuItem::Kind::Command:
            lines.push_back(indent + "  item " + item->text + " " + item->command +
                            (item->checked ? " checked" : ""));
            break;
        case MenuItem::Kind::Nop:
            lines.push_back(indent + "  nop" + (item->hasText ? " with text" : ""));
            break;
        case MenuItem::Kind::Submenu:
            lines.push_back(indent + "  submenu " + item->text);
            describeMenu(item->submenu, depth + 2, lines);
            break;
        }
    }
}

std::vector<std::string> menuAround(const std::vector<std::string>& adapterItems,
                                    const char* automatic = "", const char* all = "") {
    std::vector<std::string> lines = {"menu Velnor Velnor_IDMain", "  submenu Adapter",
                                      "    menu Adapter Velnor_IDAdapter"};
    for (const std::string& item : adapterItems)
        lines.push_back("      item " + item);
    lines.push_back("      nop");
    lines.push_back(std::string("      item Automatic @Velnor.interface.auto") + automatic);
    lines.push_back(std::string("      item All interfaces @Velnor.interface.all") + all);
    const std::vector<std::string> rest = {
        "  nop",
        "  submenu Settings",
        "    menu Settings Velnor_IDSettings",
        "      item read settings @Velnor.settings.read",
        "      item write settings @Velnor.settings.write",
        "      item edit settings @Velnor.settings.edit",
        "  item About @Velnor.about",
    };
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

struct MenuCase {
    const char* name;
    std::vector<RigInterface> interfaces;
    int adapter;
    std::vector<std::string> expected;
    const char* interface = nullptr; // "Velnor.interface:"
};

TEST_F(CommandsTest, MenuListsTheInterfacesAndChecksTheSelectedOne) {
    const std::string longest(256, 'd');
    const MenuCase cases[] = {
        {"three, adapter 1", kThreeInterfaces, 1,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1 checked",
                     "wlan0 with a long name @Velnor.adapter.2"})},
        {"three, adapter 0", kThreeInterfaces, 0,
         menuAround({"lo @Velnor.adapter.0 checked", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2"})},
        {"adapter at the count", kThreeInterfaces, 3,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2"})},
        {"empty table", {}, 0, menuAround({})},
        {"a full 256-byte description",
         {{1, 2, longest}},
         0,
         menuAround({longest + " @Velnor.adapter.0 checked"})},
        {"automatic", kThreeInterfaces, 1,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2"},
                    " checked"),
         "auto"},
        {"all interfaces", kThreeInterfaces, 1,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2"},
                    "", " checked"),
         "ALL"},
        {"named: its row wherever the position", kThreeInterfaces, 0,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2 checked"}),
         "wlan0 with a long name"},
        {"named and not present", kThreeInterfaces, 0,
         menuAround({"lo @Velnor.adapter.0", "eth0 @Velnor.adapter.1",
                     "wlan0 with a long name @Velnor.adapter.2"}),
         "wlan1"},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.name);
        start("Velnor.adapter: " + std::to_string(c.adapter) + "\n" +
                  (c.interface ? std::string("Velnor.interface: ") + c.interface + "\n" : ""),
              c.interfaces);
        SendMessageA(widget, WM_RBUTTONUP, 0, 0);
        const Menu* shown = hostLastMenu();
        ASSERT_NE(shown, nullptr);
        std::vector<std::string> lines;
        describeMenu(shown, 0, lines);
        EXPECT_EQ(lines, c.expected);
        EXPECT_EQ(rigLogLines("ShowMenu ").size(), 1u);
        endPlugin();
        started = false;
    }
}

// The new items and numbered items by identity, and what "settings.write" leaves in the file:
// the interface's key only once it is in the file or an item set it.
TEST_F(CommandsTest, InterfaceItemsAndTheirWriteBack) {
    const std::string overlong = "Velnor.interface: " + std::string(300, 'v') + "\n";
    const std::string overlongWritten =
        overlong + "Velnor.x: 100\nVelnor.y: 100\nVelnor.adapter: 0\n";
    const struct {
        const char* name;
        const char* file;
        std::vector<const char*> commands;
        const char* written;
    } cases[] = {
        {"key absent, a number",
         "! kept\r\nVelnor.adapter: 1\r\n",
         {"@Velnor.adapter.2"},
         "! kept\r\nVelnor.adapter: 2\r\nVelnor.x: 100\r\nVelnor.y: 100\r\n"},
        {"key absent, all",
         "! kept\r\nVelnor.adapter: 1\r\n",
         {"@Velnor.interface.all more"},
         "! kept\r\nVelnor.adapter: 1\r\nVelnor.x: 100\r\nVelnor.y: 100\r\n"
         "Velnor.interface: all\r\n"},
        {"all, then a number by identity",
         "Velnor.adapter: 1\n",
         {"@Velnor.interface.all", "@Velnor.adapter.2"},
         "Velnor.adapter: 2\nVelnor.x: 100\nVelnor.y: 100\n"
         "Velnor.interface: wlan0 with a long name\n"},
        {"key in the file, kept as it is",
         "velnor.interface:   auto  \nVelnor.adapter: 0\n",
         {},
         "velnor.interface:   auto\nVelnor.adapter: 0\nVelnor.x: 100\nVelnor.y: 100\n"},
        {"key in the file, too long to hold, kept as it is",
         overlong.c_str(),
         {},
         overlongWritten.c_str()},
        {"key in the file and empty, a number",
         "Velnor.interface:\n",
         {"@Velnor.adapter.1"},
         "Velnor.interface: \nVelnor.x: 100\nVelnor.y: 100\nVelnor.adapter: 1\n"},
        {"case counts",
         "Velnor.adapter: 1\n",
         {"@velnor.interface.auto", "@Velnor.Interface.all"},
         "Velnor.adapter: 1\nVelnor.x: 100\nVelnor.y: 100\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.file);
        for (const char* command : c.commands)
            rigBroadcast(widget, command);
        rigBroadcast(widget, "@Velnor.settings.write");
        EXPECT_EQ(readFile(rigSettingsPath()), c.written);
        endPlugin();
        started = false;
    }
    // A description with a line break writes no second line of its own.
    start("Velnor.adapter: 1\n", {{100, 200, "lo"}, {5, 6, "odd\nVelnor.x: 9"}});
    rigBroadcast(widget, "@Velnor.interface.all");
    rigBroadcast(widget, "@Velnor.adapter.1");
    rigBroadcast(widget, "@Velnor.settings.write");
    EXPECT_EQ(readFile(rigSettingsPath()),
              "Velnor.adapter: 1\nVelnor.x: 100\nVelnor.y: 100\nVelnor.interface: odd\n");
    endPlugin();
    // A click while the 64-bit table fails still takes the row clicked.
    start("Velnor.interface: all\n");
    fakeIfTable2Fail()(1);
    rigBroadcast(widget, "@Velnor.adapter.2");
    rigBroadcast(widget, "@Velnor.settings.write");
    EXPECT_EQ(readFile(rigSettingsPath()), "Velnor.interface: wlan0 with a long name\n"
                                           "Velnor.x: 100\nVelnor.y: 100\nVelnor.adapter: 2\n");
}

} // namespace
