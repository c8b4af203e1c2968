// The widget window under Wine: class, styles, placement, transparency, messages and paints,
// against a recording host window and slit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "handles.h"
#include "host.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "widget/painter.h"
#include "widget/window.h"
#include "support/canvas.h"
#include "support/import_hook.h"
#include "win/refused_calls.h"
#include "support/input.h"
#include "win/messages.h"
#include "win/win_files.h"

namespace {

constexpr COLORREF kReceiveFill = RGB(0, 90, 0);
constexpr COLORREF kSendFill = RGB(90, 0, 0);

struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<UINT> wanted; // the list HOST_MSG_REGISTER carries, up to its 0
    bool duringCreation;
};

struct Recorder {
    std::vector<Recorded> host, slit;
    bool creating;
    int menus;
    std::vector<std::pair<HWND, std::string>> broadcasts;
};
Recorder recorder;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= HOST_MSG_REGISTER && message <= SLIT_MSG_UPDATE) {
        Recorded r{message, wParam, lParam, {}, recorder.creating};
        // At most a few entries: a list without its 0 shows as a long one, not as a crash.
        const UINT* wanted = reinterpret_cast<const UINT*>(lParam);
        for (int i = 0; message == HOST_MSG_REGISTER && wanted && i < 8; ++i) {
            r.wanted.push_back(wanted[i]);
            if (!wanted[i])
                break;
        }
        (window == moduleHandles().host ? recorder.host : recorder.slit).push_back(r);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void recordMenu() {
    ++recorder.menus;
}
void recordBroadcast(HWND window, const char* text) {
    recorder.broadcasts.emplace_back(window, text);
}
const WidgetCommands kCommands{recordBroadcast, recordMenu};

// Changes the installed settings as a reload would, leaving their objects where they are.
template <typename Edit> void changeSettings(Edit edit) {
    WidgetSettings settings = widgetSettings();
    edit(settings);
    installSettings(settings);
}

void useSlitAndLayered(HWND slit, LayeredAttributesFn layered) {
    const ModuleHandles& now = moduleHandles();
    recordStart(now.instance, now.host, slit, layered);
}

int gradientCalls() {
    return countLinesStartingWith(hostLogLines(), "MakeStyleGradient");
}

// Reads a pixel of the window itself (section 7: GetDC and BitBlt see a layered window too).
COLORREF windowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    Canvas one(1, 1);
    BitBlt(one.dc(), 0, 0, 1, 1, dc, x, y, SRCCOPY);
    ReleaseDC(window, dc);
    return one.at(0, 0);
}

class WindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSA recording{};
        recording.lpfnWndProc = recordingProc;
        recording.hInstance = GetModuleHandleA(nullptr);
        recording.lpszClassName = "RecordingHost";
        RegisterClassA(&recording);
    }

    void SetUp() override {
        recorder = Recorder{};
        clearHandles();
        HINSTANCE instance = GetModuleHandleA(nullptr);
        HWND host = CreateWindowExA(0, "RecordingHost", "host", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, instance, nullptr);
        recordStart(instance, host, nullptr, layeredAttributes());
        hostSetWindow(host);
        makeFramePen();
        WidgetSettings s{};
        s.x = 200;
        s.y = 150;
        s.width = 120;
        s.height = 90;
        s.timer = 1000;
        placeGraph(s, Channel::Receive, 5, 5);
        placeGraph(s, Channel::Send, 5, 46);
        for (Label& l : s.labels)
            l.y = 500;
        installSettings(s);
        hostLogLines().clear();
    }
    void TearDown() override {
        destroyWidgetWindow();
        EXPECT_EQ(moduleHandles().widget, nullptr);
        EXPECT_EQ(cachedPicture(), nullptr);
        DestroyWindow(moduleHandles().host);
        if (slit)
            DestroyWindow(slit);
        // The histories are this test's own: only the pens and brushes are released.
        const WidgetSettings mine = installSettings(WidgetSettings{});
        for (const Graph& g : mine.graphs) {
            DeleteObject(g.pen);
            DeleteObject(g.brush);
        }
        releaseResources();
        pumpMessages();
    }

    void placeGraph(WidgetSettings& s, int channel, int x, int y) {
        Graph& g = s.graphs[channel];
        g.x = x;
        g.y = y;
        g.width = 40;
        g.height = 40;
        g.pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        g.brush = CreateSolidBrush(channel == Channel::Receive ? kReceiveFill : kSendFill);
        histories[channel].assign(40, 0);
        g.history = histories[channel].data();
    }
    void useSlit() {
        slit = CreateWindowExA(0, "RecordingHost", "slit", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               moduleHandles().instance, nullptr);
        useSlitAndLayered(slit, moduleHandles().layered);
    }
    HWND create() {
        recorder.creating = true;
        const bool made = createWidgetWindow(kCommands);
        recorder.creating = false;
        EXPECT_TRUE(made);
        return moduleHandles().widget;
    }

    HWND slit = nullptr;
    std::vector<std::int64_t> histories[Channel::Count];
};

TEST_F(WindowTest, ClassStylesAndPlaceInBothForms) {
    struct Row {
        bool slit;
        LONG extended;
    };
    for (const Row row :
         {Row{false, WS_EX_TOOLWINDOW | WS_EX_LAYERED}, Row{true, WS_EX_TOOLWINDOW}}) {
        SCOPED_TRACE(row.slit ? "slit" : "free");
        if (row.slit)
            useSlit();
        HWND window = create();
        ASSERT_NE(window, nullptr);
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        EXPECT_STREQ(name, "VelnorClass");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x96000000u);
        EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_TOPMOST, row.extended);
        EXPECT_EQ(GetParent(window), nullptr);
        WNDCLASSA info{};
        ASSERT_TRUE(GetClassInfoA(moduleHandles().instance, "VelnorClass", &info));
        EXPECT_EQ(info.style, 0u);
        EXPECT_EQ(info.cbClsExtra, 0);
        EXPECT_EQ(info.cbWndExtra, 0);
        EXPECT_EQ(info.hbrBackground, nullptr);
        EXPECT_EQ(info.hIcon, nullptr);
        EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, IDC_ARROW));
        RECT place;
        GetWindowRect(window, &place);
        EXPECT_EQ(place.left, 200);
        EXPECT_EQ(place.top, 150);
        EXPECT_EQ(place.right - place.left, 120);
        EXPECT_EQ(place.bottom - place.top, 90);
        EXPECT_TRUE(IsWindowVisible(window));
        // The first repaint request, made inside creation, reached this window.
        EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE));
        // The host hears of the window inside the creation call, with the wanted-message list.
        ASSERT_EQ(recorder.host.size(), 1u);
        EXPECT_EQ(recorder.host[0].message, HOST_MSG_REGISTER);
        EXPECT_TRUE(recorder.host[0].duringCreation);
        EXPECT_EQ(recorder.host[0].wParam, reinterpret_cast<WPARAM>(window));
        EXPECT_EQ(recorder.host[0].wanted, (std::vector<UINT>{10103, 10901, 0}));
        EXPECT_EQ(hostLogLines().front().rfind("MakeSticky", 0), 0u);
        destroyWidgetWindow();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(GetClassInfoA(moduleHandles().instance, "VelnorClass", &info));
        recorder.host.clear();
        hostLogLines().clear();
    }
}

TEST_F(WindowTest, TopmostBandFollowsTheSetting) {
    HWND window = create();
    for (const bool top : {true, false, true}) {
        SCOPED_TRACE(top ? "topmost" : "not topmost");
        changeSettings([&](WidgetSettings& s) { s.alwaysOnTop = top; });
        applyWindowSettings(window);
        EXPECT_EQ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, top);
    }
}

// The layered entry as the widget calls it: recorded, then passed on to the real one.
LayeredAttributesFn realLayered;
std::vector<std::string> layeredCalls;
BOOL WINAPI recordLayered(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    char call[64];
    std::snprintf(call, sizeof call, "key %06lx alpha %u flags %lu", key, alpha, flags);
    layeredCalls.emplace_back(call);
    return realLayered(window, key, alpha, flags);
}

TEST_F(WindowTest, LayeredAlphaAndColourKey) {
    struct Row {
        const char* name;
        bool slit, lookup, alphaEnabled;
        int alphaValue;
        bool sct;
        std::vector<std::string> calls;
        bool layered; // GetLayeredWindowAttributes answers at all
        DWORD flags;
        BYTE alpha;
    };
    const Row rows[] = {
        {"alpha 300 is 44",
         false,
         true,
         true,
         300,
         false,
         {"key 000000 alpha 44 flags 2"},
         true,
         LWA_ALPHA,
         44},
        {"alpha off is opaque",
         false,
         true,
         false,
         17,
         false,
         {"key 000000 alpha 255 flags 2"},
         true,
         LWA_ALPHA,
         255},
        {"key after alpha",
         false,
         true,
         true,
         128,
         true,
         {"key 000000 alpha 128 flags 2", "key 030201 alpha 0 flags 1"},
         true,
         LWA_COLORKEY,
         0},
        {"no lookup, no transparency", false, false, true, 128, true, {}, false, 0, 0},
        // The calls are made whatever the style; the platform refuses them.
        {"slit form is not layered",
         true,
         true,
         true,
         128,
         true,
         {"key 000000 alpha 128 flags 2", "key 030201 alpha 0 flags 1"},
         false,
         0,
         0},
    };
    realLayered = moduleHandles().layered;
    ASSERT_NE(realLayered, nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        layeredCalls.clear();
        if (row.slit)
            useSlit();
        useSlitAndLayered(slit, row.lookup ? recordLayered : nullptr);
        changeSettings([&](WidgetSettings& s) {
            s.alphaEnabled = row.alphaEnabled;
            s.alphaValue = row.alphaValue;
            s.sctEnabled = row.sct;
            s.sctColor = RGB(1, 2, 3);
        });
        HWND window = create();
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        EXPECT_EQ(layeredCalls, row.calls);
        const BOOL answered = GetLayeredWindowAttributes(window, &key, &alpha, &flags);
        EXPECT_EQ(answered != FALSE, row.layered);
        if (row.layered) {
            EXPECT_EQ(flags, row.flags);
            if (flags & LWA_ALPHA) {
                EXPECT_EQ(alpha, row.alpha);
            }
            if (flags & LWA_COLORKEY) {
                EXPECT_EQ(key, RGB(1, 2, 3));
            }
        }
        destroyWidgetWindow();
        if (slit) {
            DestroyWindow(slit);
            slit = nullptr;
            useSlitAndLayered(nullptr, moduleHandles().layered);
        }
    }
}

TEST_F(WindowTest, PositionIsCopiedOnlyWithoutASlit) {
    for (const bool withSlit : {false, true}) {
        SCOPED_TRACE(withSlit ? "slit" : "free");
        if (withSlit)
            useSlit();
        setPosition(200, 150);
        HWND window = create();
        SetWindowPos(window, nullptr, 310, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(widgetSettings().x, withSlit ? 200 : 310);
        EXPECT_EQ(widgetSettings().y, withSlit ? 150 : 260);
        // Records whose flags say "no move", or that arrive while minimized, are not positions.
        WINDOWPOS still{window, nullptr, 7, 8, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER};
        SendMessageA(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&still));
        EXPECT_EQ(widgetSettings().x, withSlit ? 200 : 310);
        EXPECT_EQ(widgetSettings().y, withSlit ? 150 : 260);
        // The end of a drag tells the slit, and only the slit.
        SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
        ASSERT_EQ(recorder.slit.size(), withSlit ? 1u : 0u);
        if (withSlit) {
            EXPECT_EQ(recorder.slit[0].message, SLIT_MSG_UPDATE);
            EXPECT_EQ(recorder.slit[0].wParam, 0u);
            EXPECT_EQ(recorder.slit[0].lParam, reinterpret_cast<LPARAM>(window));
        }
        // A slit widget is still put where its settings say.
        applyWindowSettings(window);
        RECT place;
        GetWindowRect(window, &place);
        EXPECT_EQ(place.left, widgetSettings().x);
        EXPECT_EQ(place.top, widgetSettings().y);
        destroyWidgetWindow();
    }
}

TEST_F(WindowTest, MinimizeHideAndShowKeepTheStoredPosition) {
    HWND window = create();
    SetWindowPos(window, nullptr, 240, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    struct Step {
        const char* name;
        int show;
    };
    const Step steps[] = {{"minimize", SW_MINIMIZE},
                          {"restore", SW_RESTORE},
                          {"hide", SW_HIDE},
                          {"show", SW_SHOWNOACTIVATE},
                          {"minimize again", SW_SHOWMINNOACTIVE},
                          {"hide while minimized", SW_HIDE},
                          {"restore", SW_RESTORE}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ShowWindow(window, step.show);
        pumpMessages();
        // What "settings.write" would store.
        EXPECT_EQ(widgetSettings().x, 240);
        EXPECT_EQ(widgetSettings().y, 170);
    }
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, 240);
    EXPECT_EQ(place.top, 170);
    // After all that a real move is still followed.
    SetWindowPos(window, nullptr, 250, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(widgetSettings().x, 250);
    EXPECT_EQ(widgetSettings().y, 180);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); // Alt+F4
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowTest, InvalidationsBeforeAPaintDrawOnePicture) {
    HWND window = create();
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 1);
    HBITMAP first = cachedPicture();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(windowPixel(window, 10, 10), kReceiveFill);
    EXPECT_EQ(windowPixel(window, 10, 50), kSendFill);

    invalidateWidget();
    invalidateWidget();
    EXPECT_EQ(GetObjectType(first), 0u) << "the discarded picture is deleted";
    EXPECT_EQ(cachedPicture(), nullptr);
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 2);

    // A repaint that is not an invalidation copies the kept picture and draws nothing.
    HBITMAP kept = cachedPicture();
    ASSERT_NE(kept, nullptr);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RECT part{0, 0, 20, 20};
    InvalidateRect(window, &part, TRUE);
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 2);
    EXPECT_EQ(cachedPicture(), kept);
    EXPECT_EQ(windowPixel(window, 10, 10), kReceiveFill);
}

TEST_F(WindowTest, PrintClientCopiesTheKeptPicture) {
    HWND window = create();
    UpdateWindow(window);
    Canvas print(120, 90);
    ASSERT_TRUE(print.ok());
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(print.dc()), PRF_CLIENT);
    EXPECT_EQ(print.at(10, 10), kReceiveFill);
    EXPECT_EQ(print.at(10, 50), kSendFill);
    EXPECT_EQ(gradientCalls(), 1);

    // The first to ask after a tick is a bare memory context, which holds a monochrome bitmap:
    // the kept picture still takes the window's colours.
    invalidateWidget();
    HDC bare = CreateCompatibleDC(nullptr);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bare), PRF_CLIENT);
    DeleteDC(bare);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(windowPixel(window, 10, 10), kReceiveFill);
}

TEST_F(WindowTest, APictureThatCannotBeMadeIsTriedAgainAtTheNextPaint) {
    HWND window = create();
    UpdateWindow(window);
    ASSERT_EQ(gradientCalls(), 1);
    changeSettings([](WidgetSettings& s) { s.width = -5; });
    invalidateWidget();
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 1);
    EXPECT_EQ(cachedPicture(), nullptr);
    // The window keeps what it showed.
    EXPECT_EQ(windowPixel(window, 10, 10), kReceiveFill);
    changeSettings([](WidgetSettings& s) { s.width = 120; });
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 2);
    EXPECT_NE(cachedPicture(), nullptr);
}

TEST_F(WindowTest, MouseAndBroadcastMessagesReachTheirHandlers) {
    HWND window = create();
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_EQ(recorder.menus, 0);
    SendMessageA(window, WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(recorder.menus, 1);

    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>("@Velnor.about"));
    SendMessageA(window, HOST_MSG_BROADCAST, 0, 0);
    ASSERT_EQ(recorder.broadcasts.size(), 1u);
    EXPECT_EQ(recorder.broadcasts[0].first, window);
    EXPECT_EQ(recorder.broadcasts[0].second, "@Velnor.about");

    // The key flags of the message do not count: only the key state at this moment.
    struct Row {
        const char* name;
        bool ctrlDown;
        WPARAM keys;
        bool drags;
    };
    const Row rows[] = {{"no ctrl", false, MK_LBUTTON, false},
                        {"ctrl flag only", false, MK_LBUTTON | MK_CONTROL, false},
                        {"ctrl down", true, MK_LBUTTON, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.ctrlDown) {
            sendKey(VK_CONTROL, false);
            pumpMessages();
        }
        ASSERT_EQ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0, row.ctrlDown);
        SendMessageA(window, WM_LBUTTONDOWN, row.keys, MAKELPARAM(5, 5));
        MSG msg;
        const bool posted = PeekMessageA(&msg, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE);
        EXPECT_EQ(posted, row.drags);
        if (posted) {
            EXPECT_EQ(msg.wParam, static_cast<WPARAM>(0xF012));
            EXPECT_EQ(msg.lParam, 0);
        }
        if (row.ctrlDown) {
            sendKey(VK_CONTROL, true);
            pumpMessages();
        }
    }
}

TEST_F(WindowTest, ReconfigureRereadsTheFileAndReappliesIt) {
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    usePaths((std::string(directory) + "\\").c_str(),
             (std::string(directory) + "\\reconfigure.rc").c_str());
    ASSERT_TRUE(writeFile(settingsPath(),
                          "Velnor.x: 260\nVelnor.y: 120\nVelnor.width: 140\nVelnor.height: 100\n"
                          "Velnor.alwaysOnTop: true\nVelnor.alphaEnabled: true\n"
                          "Velnor.alphaValue: 456\nVelnor.receiveGraph.x: 4\n"
                          "Velnor.receiveGraph.y: 4\nVelnor.receiveGraph.background: #102030\n"));
    // The reload owns what it replaces: hand it a state with nothing of this test's in it.
    changeSettings([](WidgetSettings& s) {
        for (Graph& g : s.graphs) {
            DeleteObject(g.pen);
            DeleteObject(g.brush);
            g = Graph{};
        }
    });
    HWND window = create();
    UpdateWindow(window);
    ASSERT_EQ(gradientCalls(), 1);

    SendMessageA(window, HOST_MSG_RECONFIGURE, 0, 0);
    EXPECT_EQ(widgetSettings().x, 260);
    EXPECT_EQ(widgetSettings().width, 140);
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, 260);
    EXPECT_EQ(place.top, 120);
    EXPECT_EQ(place.right - place.left, 140);
    EXPECT_EQ(place.bottom - place.top, 100);
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 456 & 0xFF);
    // A new picture, with the re-read graph colour.
    EXPECT_EQ(cachedPicture(), nullptr);
    UpdateWindow(window);
    EXPECT_EQ(gradientCalls(), 2);
    EXPECT_EQ(windowPixel(window, 10, 10), RGB(0x10, 0x20, 0x30));

    destroyWidgetWindow();
    releaseResources();
    DeleteFileA(settingsPath());
}

TEST_F(WindowTest, CtrlDragMovesTheWindow) {
    for (const bool withSlit : {false, true}) {
        SCOPED_TRACE(withSlit ? "slit" : "free");
        if (withSlit)
            useSlit();
        recorder.slit.clear();
        setPosition(200, 150);
        // Above whatever another test may show under the pointer.
        changeSettings([](WidgetSettings& s) { s.alwaysOnTop = true; });
        HWND window = create();
        pumpMessages();
        ASSERT_TRUE(ctrlDrag({{260, 195}, {30, 24}}, [] {
            pumpMessages();
            return true;
        }));
        pumpMessages();
        RECT place;
        GetWindowRect(window, &place);
        EXPECT_EQ(place.left, 230);
        EXPECT_EQ(place.top, 174);
        EXPECT_EQ(widgetSettings().x, withSlit ? 200 : 230);
        EXPECT_EQ(widgetSettings().y, withSlit ? 150 : 174);
        const bool told = std::any_of(recorder.slit.begin(), recorder.slit.end(), [&](auto& r) {
            return r.message == SLIT_MSG_UPDATE && r.lParam == reinterpret_cast<LPARAM>(window);
        });
        EXPECT_EQ(told, withSlit);
        destroyWidgetWindow();
    }
}

int ticks;
void CALLBACK countTick(HWND, UINT, UINT_PTR, DWORD) {
    ++ticks;
}

TEST_F(WindowTest, AChangedPeriodRestartsTheRunningTimer) {
    ticks = 0;
    const TIMERPROC count = countTick;
    HWND window = create();

    // No timer yet (creation runs before the start entry starts it): nothing is started.
    changeSettings([](WidgetSettings& s) { s.timer = 30; });
    applyWindowSettings(window);
    EXPECT_EQ(moduleHandles().timer, 0u);

    startTimer(30, count);
    ASSERT_NE(moduleHandles().timer, 0u);
    changeSettings([](WidgetSettings& s) { s.timer = 5000; });
    applyWindowSettings(window);
    EXPECT_EQ(moduleHandles().timerPeriod, 5000);
    // One the platform will not start leaves the running period in force, which the rates divide
    // by.
    {
        ImportHook refused("user32.dll", "SetTimer", &refuseTimer);
        changeSettings([](WidgetSettings& s) { s.timer = 20000; });
        applyWindowSettings(window);
    }
    EXPECT_EQ(moduleHandles().timerPeriod, 5000);
    EXPECT_EQ(widgetSettings().timer, 5000);
    // The 30 ms timer is gone: nothing ticks in 300 ms.
    const DWORD until = GetTickCount() + 300;
    while (GetTickCount() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pumpMessages();
    }
    EXPECT_EQ(ticks, 0);
    stopTimer();
}

} // namespace
