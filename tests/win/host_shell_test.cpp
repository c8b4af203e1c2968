// The stand-in shell's functions in this process: registration and broadcast, the slit's layout,
// recorded menus and the choice of an item, the PNG writer, the editor and the log's quoting.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host.h"
#include "shell.h"
#include "win/host_png.h"
#include "win/messages.h"
#include "win/win_files.h"

namespace {

// Windows that record the host messages they receive.
struct Received {
    UINT message;
    std::string text;
};
std::map<HWND, std::vector<Received>> received;

LRESULT CALLBACK recorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == HOST_MSG_BROADCAST || message == HOST_MSG_RECONFIGURE) {
        const char* text =
            message == HOST_MSG_BROADCAST ? reinterpret_cast<const char*>(lParam) : nullptr;
        received[window].push_back({message, text ? text : "(null)"});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class HostShell : public testing::Test {
  protected:
    void SetUp() override {
        instance = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = recorderProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "HostTestRecorder";
        RegisterClassA(&windowClass);
        ASSERT_TRUE(hostCreateWindows(instance));
        hostSetMenuMode(HostMenuMode::Record);
        hostLogLines().clear();
        received.clear();
    }
    void TearDown() override {
        for (HWND w : windows)
            DestroyWindow(w);
        hostFreeMenus();
        hostDestroyWindows();
        UnregisterClassA("HostTestRecorder", instance);
    }
    HWND makeWindow(int width = 40, int height = 30) {
        HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "HostTestRecorder", "", WS_POPUP | WS_VISIBLE,
                                 500, 500, width, height, nullptr, nullptr, instance, nullptr);
        windows.push_back(w);
        return w;
    }
    static void registerFor(HWND w, std::vector<UINT> messages) {
        messages.push_back(0);
        SendMessageA(GetKSWnd(), HOST_MSG_REGISTER, reinterpret_cast<WPARAM>(w),
                     reinterpret_cast<LPARAM>(messages.data()));
    }
    HINSTANCE instance = nullptr;
    std::vector<HWND> windows;
};

// A failure to create the windows says which call failed and why, and leaves nothing behind.
TEST_F(HostShell, FailureToCreateTheWindowsNamesTheCallAndError) {
    hostDestroyWindows();
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = instance;
    taken.lpszClassName = "KestrumSlit";
    ASSERT_TRUE(RegisterClassA(&taken));
    std::string reason;
    EXPECT_FALSE(hostCreateWindows(instance, &reason));
    EXPECT_NE(reason.find("RegisterClassA(slit) failed: "), std::string::npos) << reason;
    EXPECT_NE(reason.find("(error 1410)"), std::string::npos) << reason;
    EXPECT_EQ(hostWindow(), nullptr);
    UnregisterClassA("KestrumSlit", instance);
    EXPECT_TRUE(hostCreateWindows(instance));
}

TEST_F(HostShell, MessagesReachExactlyTheWindowsRegisteredForThem) {
    struct Row {
        const char* name;
        UINT message;
        std::vector<bool> expected; // per window: both, reconfigure only, nothing, re-registered
    };
    const Row rows[] = {
        {"broadcast", HOST_MSG_BROADCAST, {true, false, false, true}},
        {"reconfigure", HOST_MSG_RECONFIGURE, {true, true, false, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        received.clear();
        for (HWND w : windows)
            DestroyWindow(w);
        windows.clear();
        HWND both = makeWindow(), reconfigureOnly = makeWindow(), none = makeWindow(),
             again = makeWindow();
        registerFor(both, {HOST_MSG_RECONFIGURE, HOST_MSG_BROADCAST});
        registerFor(reconfigureOnly, {HOST_MSG_RECONFIGURE});
        registerFor(again, {HOST_MSG_RECONFIGURE});
        // Registering again replaces the list: no second delivery, no reconfigure.
        registerFor(again, {HOST_MSG_BROADCAST});
        registerFor(again, {HOST_MSG_BROADCAST});
        const int delivered = row.message == HOST_MSG_BROADCAST
                                  ? hostBroadcast("@Test.hello")
                                  : hostSendToRegistered(HOST_MSG_RECONFIGURE, 0, 0);
        const HWND all[] = {both, reconfigureOnly, none, again};
        int expectedCount = 0;
        for (size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            const auto& got = received[all[i]];
            ASSERT_EQ(got.size(), row.expected[i] ? 1u : 0u);
            expectedCount += row.expected[i] ? 1 : 0;
            if (row.expected[i]) {
                EXPECT_EQ(got[0].message, row.message);
                if (row.message == HOST_MSG_BROADCAST) {
                    EXPECT_EQ(got[0].text, "@Test.hello");
                }
            }
        }
        EXPECT_EQ(delivered, expectedCount);
    }
}

TEST_F(HostShell, DestroyedAndBogusRegistrationsAreNeverDelivered) {
    HWND live = makeWindow();
    HWND gone = makeWindow();
    registerFor(live, {HOST_MSG_BROADCAST});
    registerFor(gone, {HOST_MSG_BROADCAST});
    DestroyWindow(gone);
    // A list without its terminating zero, a null list, and a handle that is no window.
    std::vector<UINT> endless(100, HOST_MSG_BROADCAST);
    HWND other = makeWindow();
    SendMessageA(GetKSWnd(), HOST_MSG_REGISTER, reinterpret_cast<WPARAM>(other),
                 reinterpret_cast<LPARAM>(endless.data()));
    SendMessageA(GetKSWnd(), HOST_MSG_REGISTER, reinterpret_cast<WPARAM>(other), 0);
    const UINT list[] = {HOST_MSG_BROADCAST, 0};
    SendMessageA(GetKSWnd(), HOST_MSG_REGISTER, 0x1234, reinterpret_cast<LPARAM>(list));
    // A plug-in's private message numbers carry nothing the host follows.
    for (UINT message = WM_APP; message < WM_APP + 4; ++message)
        SendMessageA(GetKSWnd(), message, 0, 0x1234);

    EXPECT_EQ(hostBroadcast("@Test.x"), 1);
    EXPECT_EQ(received[live].size(), 1u);
    EXPECT_TRUE(received[other].empty());
    ASSERT_EQ(hostRegistrations().size(), 1u);
    EXPECT_EQ(hostRegistrations()[0].window, live);
}

TEST_F(HostShell, BroadcastIsLoggedWithItsReceivers) {
    HWND w = makeWindow();
    registerFor(w, {HOST_MSG_BROADCAST});
    hostLogLines().clear();
    hostBroadcast("say \"hi\"\n");
    hostBroadcast(nullptr);
    ASSERT_EQ(hostLogLines().size(), 2u);
    EXPECT_EQ(hostLogLines()[0], "HOST_MSG_BROADCAST \"say \\\"hi\\\"\\n\" -> " + hostHex(w));
    EXPECT_EQ(hostLogLines()[1], "HOST_MSG_BROADCAST null -> " + hostHex(w));
    ASSERT_EQ(received[w].size(), 2u);
    EXPECT_EQ(received[w][1].text, "(null)");
}

// Where the slit shows a window: its offset from the slit's client origin.
POINT slitOffset(HWND w) {
    RECT rect = {};
    GetWindowRect(w, &rect);
    POINT origin = {0, 0};
    ClientToScreen(hostSlitWindow(), &origin);
    return {rect.left - origin.x, rect.top - origin.y};
}

SIZE slitClient() {
    RECT rect = {};
    GetClientRect(hostSlitWindow(), &rect);
    return {rect.right, rect.bottom};
}

TEST_F(HostShell, SlitStacksItsWindowsAndClosesTheGapOnRemove) {
    HWND slit = hostSlitWindow();
    HWND a = makeWindow(40, 30), b = makeWindow(60, 20), c = makeWindow(10, 10);
    const LPARAM la = reinterpret_cast<LPARAM>(a), lb = reinterpret_cast<LPARAM>(b),
                 lc = reinterpret_cast<LPARAM>(c);
    EXPECT_FALSE(IsWindowVisible(slit));
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_ADD, 0, la));
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_ADD, 0, lb));
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_ADD, 0, la)); // already there: stays once
    EXPECT_FALSE(SendMessageA(slit, SLIT_MSG_ADD, 0, 0x1234));
    EXPECT_TRUE(IsWindowVisible(slit));
    ASSERT_EQ(hostSlitWindows(), (std::vector<HWND>{a, b}));

    const int p = kSlitPadding;
    struct Expect {
        HWND window;
        LONG x, y;
    };
    auto check = [](const std::vector<Expect>& rows, LONG width, LONG height) {
        for (const Expect& e : rows) {
            SCOPED_TRACE(hostHex(e.window));
            const POINT at = slitOffset(e.window);
            EXPECT_EQ(at.x, e.x);
            EXPECT_EQ(at.y, e.y);
        }
        EXPECT_EQ(slitClient().cx, width);
        EXPECT_EQ(slitClient().cy, height);
    };
    check({{a, p, p}, {b, p, p + 30 + p}}, 60 + 2 * p, 30 + 20 + 3 * p);

    // A window that grew tells the slit, which lays out again.
    SetWindowPos(a, nullptr, 0, 0, 40, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_UPDATE, 0, la));
    check({{a, p, p}, {b, p, p + 50 + p}}, 60 + 2 * p, 50 + 20 + 3 * p);

    EXPECT_FALSE(SendMessageA(slit, SLIT_MSG_REMOVE, 0, lc)); // never added
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_REMOVE, 0, la));
    ASSERT_EQ(hostSlitWindows(), std::vector<HWND>{b});
    check({{b, p, p}}, 60 + 2 * p, 20 + 2 * p);

    // A window destroyed without a remove leaves the slit at the next layout.
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_ADD, 0, lc));
    DestroyWindow(b);
    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_UPDATE, 0, lc));
    ASSERT_EQ(hostSlitWindows(), std::vector<HWND>{c});
    check({{c, p, p}}, 10 + 2 * p, 10 + 2 * p);

    EXPECT_TRUE(SendMessageA(slit, SLIT_MSG_REMOVE, 0, lc));
    EXPECT_TRUE(hostSlitWindows().empty());
    EXPECT_FALSE(IsWindowVisible(slit));
}

// A menu shaped like a plug-in's context menu.
Menu* buildMenu() {
    Menu* main = MakeNamedMenu("Widget", "Widget_IDMain", true);
    Menu* adapters = MakeNamedMenu("Adapter", "Widget_IDAdapter", true);
    MakeMenuItem(adapters, "lo", "@Widget.adapter.0", false);
    MakeMenuItem(adapters, "eth0", "@Widget.adapter.1", true);
    MakeSubmenu(main, adapters, "Adapter");
    MakeMenuNOP(main, nullptr);
    MakeMenuItem(main, "About", "@Widget.about", false);
    MakeMenuItem(main, "Inert", nullptr, false);
    return main;
}

TEST_F(HostShell, RecordedMenuIsLoggedWholeAtShowMenu) {
    Menu* main = buildMenu();
    hostLogLines().clear();
    ShowMenu(main);
    const std::vector<std::string> expected = {
        "ShowMenu " + hostHex(main) + " \"Widget\" \"Widget_IDMain\"",
        "  submenu \"Adapter\" \"Adapter\" \"Widget_IDAdapter\"",
        "    item \"lo\" \"@Widget.adapter.0\" 0",
        "    item \"eth0\" \"@Widget.adapter.1\" 1",
        "  nop null",
        "  item \"About\" \"@Widget.about\" 0",
        "  item \"Inert\" null 0",
    };
    EXPECT_EQ(hostLogLines(), expected);
    EXPECT_EQ(hostLastMenu(), main);
}

TEST_F(HostShell, ChoosingAnItemBroadcastsItsCommand) {
    HWND w = makeWindow();
    registerFor(w, {HOST_MSG_BROADCAST});
    ShowMenu(buildMenu());
    struct Row {
        const char* key;
        bool chosen;
        const char* command;
    };
    const Row rows[] = {
        {"eth0", true, "@Widget.adapter.1"},      // by text, inside a sub-menu
        {"@Widget.about", true, "@Widget.about"}, // by command
        {"Adapter", false, nullptr},              // a sub-menu has no command
        {"Inert", false, nullptr},                // an item without a command
        {"ETH0", false, nullptr},                 // texts match exactly
        {"", false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        received.clear();
        EXPECT_EQ(hostChooseMenuItem(row.key), row.chosen);
        if (row.chosen) {
            ASSERT_EQ(received[w].size(), 1u);
            EXPECT_EQ(received[w][0].text, row.command);
        } else {
            EXPECT_TRUE(received[w].empty());
        }
    }
}

TEST_F(HostShell, MenusRefuseWhatTheShellDidNotMake) {
    Menu* main = MakeNamedMenu("M", "M_ID", true);
    Menu* foreign = reinterpret_cast<Menu*>(&received);
    EXPECT_EQ(MakeMenuItem(foreign, "x", "@x", false), nullptr);
    EXPECT_EQ(MakeMenuItem(nullptr, "x", "@x", false), nullptr);
    EXPECT_EQ(MakeSubmenu(main, foreign, "x"), nullptr);
    EXPECT_EQ(MakeMenuNOP(foreign, nullptr), nullptr);
    ShowMenu(foreign);
    EXPECT_EQ(hostLastMenu(), nullptr);
    EXPECT_TRUE(main->items.empty());
}

TEST_F(HostShell, MenuThatContainsItselfIsShownOnce) {
    Menu* main = MakeNamedMenu("Loop", "Loop_ID", true);
    MakeMenuItem(main, "a", "@a", false);
    MakeSubmenu(main, main, "again");
    hostLogLines().clear();
    ShowMenu(main);
    const std::vector<std::string> expected = {
        "ShowMenu " + hostHex(main) + " \"Loop\" \"Loop_ID\"",
        "  item \"a\" \"@a\" 0",
        "  submenu \"again\" \"Loop\" \"Loop_ID\" (cycle)",
    };
    EXPECT_EQ(hostLogLines(), expected);
    EXPECT_FALSE(hostChooseMenuItem("missing")); // the search ends too
}

TEST(HostPng, ChecksumsMatchTheirStandardCheckValues) {
    const char* digits = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*>(digits);
    EXPECT_EQ(hostCrc32(bytes, 9), 0xCBF43926u);
    EXPECT_EQ(hostAdler32(bytes, 9), 0x091E01DEu);
    // Split input continues the running value.
    EXPECT_EQ(hostCrc32(bytes + 4, 5, hostCrc32(bytes, 4)), 0xCBF43926u);
    EXPECT_EQ(hostAdler32(bytes + 4, 5, hostAdler32(bytes, 4)), 0x091E01DEu);
}

TEST(HostPng, WrittenPicturesDecodeToTheirPixels) {
    struct Row {
        int width, height;
    };
    // One pixel; a picture whose data needs several stored blocks (over 65535 bytes).
    const Row rows[] = {{1, 1}, {3, 2}, {300, 100}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x)
                pixels.push_back(static_cast<uint32_t>((x * 7) & 0xff) << 16 |
                                 static_cast<uint32_t>((y * 13) & 0xff) << 8 |
                                 static_cast<uint32_t>((x + y) & 0xff));
        ASSERT_TRUE(hostWritePng("host-test.png", pixels, row.width, row.height));
        DecodedPng image;
        ASSERT_EQ(decodePngFile("host-test.png", image), "");
        EXPECT_EQ(image.width, row.width);
        EXPECT_EQ(image.height, row.height);
        EXPECT_EQ(image.pixels, pixels);
    }
    EXPECT_FALSE(hostWritePng("host-test.png", {}, 0, 0));
    EXPECT_FALSE(hostWritePng("host-test.png", {1, 2, 3}, 2, 2)); // fewer pixels than the size
    EXPECT_FALSE(hostWritePng("no-such-folder\\x.png", {1}, 1, 1));
    EXPECT_EQ(GetFileAttributesA("no-such-folder\\x.png.tmp"), INVALID_FILE_ATTRIBUTES);
}

TEST(HostPng, CaptureReadsWhatWasDrawn) {
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 50, 20, 10,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(w);
    UpdateWindow(w);
    HDC dc = GetDC(w);
    RECT left = {0, 0, 10, 10}, right = {10, 0, 20, 10};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    ReleaseDC(w, dc);
    DeleteObject(red);
    DeleteObject(blue);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(hostCaptureWindow(w, pixels, width, height));
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 10);
    EXPECT_EQ(pixels[0], 0xff0000u);
    EXPECT_EQ(pixels[9 * 20 + 9], 0xff0000u);
    EXPECT_EQ(pixels[10], 0x0000ffu);
    EXPECT_EQ(pixels[9 * 20 + 19], 0x0000ffu);
    DestroyWindow(w);
    EXPECT_FALSE(hostCaptureWindow(w, pixels, width, height));
}

TEST(HostExecute, EditorComesFromTheEnvironmentWhenItFits) {
    struct Row {
        const char* variable; // null: unset
        std::string expected;
    };
    const std::string tooLong(300, 'e');
    const Row rows[] = {
        {nullptr, "notepad.exe"},
        {"C:\\tools\\edit.exe", "C:\\tools\\edit.exe"},
        {tooLong.c_str(), "notepad.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.variable ? row.variable : "(unset)");
        SetEnvironmentVariableA("KESTRUM_EDITOR", row.variable);
        char buffer[260];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(GetKestrumEditor(buffer), buffer);
        EXPECT_EQ(std::string(buffer), row.expected);
    }
    SetEnvironmentVariableA("KESTRUM_EDITOR", nullptr);
    EXPECT_EQ(GetKestrumEditor(nullptr), nullptr);
}

TEST(HostExecute, SwitchedOffExecutionOnlyLogs) {
    hostSetExecuteEnabled(false);
    hostLogLines().clear();
    EXPECT_TRUE(KSExecute(nullptr, nullptr, "notepad.exe", "\"C:\\a b\\x.rc\"", nullptr, 1, false));
    EXPECT_FALSE(KSExecute(nullptr, nullptr, nullptr, nullptr, nullptr, 1, false));
    ASSERT_EQ(hostLogLines().size(), 2u);
    EXPECT_EQ(hostLogLines()[0], "KSExecute 0x0 null \"notepad.exe\" \"\\\"C:\\\\a b\\\\x.rc\\\"\" "
                                 "null 1 0 -> 1 (not run: execution is off)");
    hostSetExecuteEnabled(true);
}

TEST(HostLog, QuotingKeepsOneCallPerLine) {
    struct Row {
        const char* text;
        const char* quoted;
    };
    const Row rows[] = {
        {nullptr, "null"},
        {"", "\"\""},
        {"C:\\p\\Velnor.rc", "\"C:\\\\p\\\\Velnor.rc\""},
        {"a\r\nb\tc", "\"a\\r\\nb\\tc\""},
        {"\x01\x7f\xe9", "\"\\x01\\x7f\xe9\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.quoted);
        EXPECT_EQ(hostQuote(row.text), row.quoted);
    }
    const std::string longText(600, 'a');
    EXPECT_EQ(hostQuote(longText.c_str()), "\"" + std::string(512, 'a') + "\"...");
    EXPECT_EQ(hostHex(uintptr_t{0}), "0x0");
    EXPECT_EQ(hostHex(uintptr_t{0x40040}), "0x40040");
}

TEST(HostLog, LogFileGetsEveryLineAtOnce) {
    hostSetLogFile("host-test.log");
    hostLog("first %d", 1);
    hostLog("second");
    EXPECT_EQ(readFile("host-test.log"), "first 1\nsecond\n");
    // A new log file starts empty.
    hostSetLogFile("host-test.log");
    hostSetLogFile(nullptr);
    hostLog("memory only");
    EXPECT_EQ(readFile("host-test.log"), "");
    // No line is cut short: a text of control bytes is quoted at four times its length.
    const std::string controls(600, '\x01');
    hostLog("%s end", hostQuote(controls.c_str()).c_str());
    EXPECT_EQ(hostLogLines().back().size(), 2 + 4 * 512 + 3 + 4u);
}

} // namespace

namespace {

// Plays the user in a real popup menu: from a thread timer, which keeps running inside the menu's
// modal loop, presses keys in the open menu window.
struct MenuKeys {
    std::vector<WPARAM> keys;
    size_t next = 0;
    bool sawMenu = false;
    std::vector<std::string> items; // the open menu as the platform holds it
};

std::vector<std::string> describePopup(HMENU menu, const std::string& indent) {
    std::vector<std::string> lines;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        std::string line = indent + text;
        if (state & MF_SEPARATOR)
            line += " separator";
        if (state & MF_CHECKED)
            line += " checked";
        lines.push_back(line);
        if (HMENU sub = GetSubMenu(menu, i))
            for (const std::string& subLine : describePopup(sub, indent + "  "))
                lines.push_back(subLine);
    }
    return lines;
}
MenuKeys menuKeys;

void CALLBACK pressMenuKey(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    if (!menuKeys.sawMenu)
        menuKeys.items =
            describePopup(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)), "");
    menuKeys.sawMenu = true;
    // Once the keys are used up, a menu still open is closed, so that the test cannot hang.
    const WPARAM key =
        menuKeys.next < menuKeys.keys.size() ? menuKeys.keys[menuKeys.next++] : VK_ESCAPE;
    PostMessageA(menu, WM_KEYDOWN, key, 0);
    PostMessageA(menu, WM_KEYUP, key, 0);
}

TEST_F(HostShell, PopupMenuBroadcastsTheItemTheUserChose) {
    HWND w = makeWindow();
    registerFor(w, {HOST_MSG_BROADCAST});
    struct Row {
        const char* name;
        std::vector<WPARAM> keys;
        const char* command; // null: nothing chosen
    };
    const Row rows[] = {
        {"an item, past the gap", {VK_DOWN, VK_DOWN, VK_RETURN}, "@Widget.about"},
        {"into the sub-menu", {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, "@Widget.adapter.1"},
        {"an item without a command", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, nullptr},
        {"escape", {VK_ESCAPE}, nullptr},
    };
    hostSetMenuMode(HostMenuMode::Popup);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        received.clear();
        menuKeys = MenuKeys{};
        menuKeys.keys = row.keys;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, pressMenuKey);
        ShowMenu(buildMenu());
        KillTimer(nullptr, timer);
        // The choice arrives from the message loop, not inside ShowMenu.
        EXPECT_TRUE(received[w].empty());
        pumpMessages();
        EXPECT_TRUE(menuKeys.sawMenu);
        EXPECT_EQ(menuKeys.items, (std::vector<std::string>{"Adapter", "  lo", "  eth0 checked",
                                                            " separator", "About", "Inert"}));
        if (row.command) {
            ASSERT_EQ(received[w].size(), 1u);
            EXPECT_EQ(received[w][0].text, row.command);
        } else {
            EXPECT_TRUE(received[w].empty());
        }
    }
}

} // namespace
