// A storm against a running widget in one process under Wine: random broadcast texts, the shell's
// reconfigure message, right-clicks with menu choices, and settings rewrites with random values
// for every key, while a thread timer ticks as the plug-in's does. Afterwards the widget must
// still be there, paint, and answer its commands, and hold no object it did not hold before.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/fake_iphlpapi_client.h"
#include "handles.h"
#include "host.h"
#include "plugin/commands.h"
#include "settings/keys.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "style.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "unit/settings_expected.h"
#include "widget/painter.h"
#include "widget/window.h"
#include "win/gdi_count.h"
#include "win/messages.h"
#include "win/message_boxes.h"
#include "win/win_files.h"

namespace {

constexpr std::uint32_t kSeed = 20070728;
constexpr int kEvents = 10000;

std::mt19937 random(kSeed);

int below(int n) {
    return static_cast<int>(random() % static_cast<std::uint32_t>(n));
}

template <std::size_t N> const char* pick(const char* const (&choices)[N]) {
    return choices[below(static_cast<int>(N))];
}

std::string randomBytes(int maximum) {
    std::string text;
    int length = below(maximum + 1);
    for (int i = 0; i < length; ++i)
        text += static_cast<char>(1 + below(255)); // no zero: the texts are C strings
    return text;
}

std::string randomNumber() {
    static const char* const numbers[] = {
        "0",          "1",           "2",   "-1",    "+1", "4294967296", "2147483647",
        "2147483648", "99999999999", "1x",  " 1",    "",   "0001",       "1.5",
        "1e3",        "-2147483648", "0x1", "1 2 3", "64", "\t0\n",      "\xD9\xA3",
    };
    if (below(3) == 0)
        return std::to_string(static_cast<int>(random()) % 100);
    return pick(numbers);
}

// Mostly the widget's own vocabulary, bent in every way, and some plain noise.
std::string randomBroadcast() {
    static const char* const words[] = {
        "adapter.",
        "adapter",
        "ADAPTER.",
        "adapter..",
        "settings.",
        "settings",
        "settings.",
        "settings.write",
        "settings.edit",
        "settings.readx",
        "",
        "about.",
        "unknown",
        ".",
        "adapter.settings.write",
    };
    switch (below(20)) {
    case 0:
    case 1:
    case 2:
        return randomBytes(64);
    case 3:
        return below(2) ? "@KSShowPlugins" : "@KSHidePlugins";
    case 4:
        return "@Velnor.adapter." + std::string(static_cast<std::size_t>(below(10000)), '9');
    case 5:
        // Rarer, since each reads the whole file or opens a box: a read, the About box.
        if (below(4) == 0)
            return "@Velnor.settings.read";
        if (below(20) == 0)
            return "@Velnor.about";
        return "@Velnor.settings.write";
    default:
        return std::string(below(8) ? "@Velnor." : "@velnor.") + pick(words) + randomNumber() +
               (below(4) ? "" : randomBytes(8));
    }
}

std::string randomColour() {
    static const char* const odd[] = {"#", "#12345", "#1234567", "#GGGGGG", "red", "", "FFFFFF"};
    if (below(5) == 0)
        return pick(odd);
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(random() & 0xFFFFFF));
    return text;
}

std::string randomInteger() {
    static const char* const extremes[] = {
        "-2147483648",  "2147483647", "-1", "0",     "1",    "65535", "100000",  "99999999999",
        "-99999999999", "abc",        "",   "12abc", "0x10", "+5",    "1000000",
    };
    if (below(3) == 0)
        return pick(extremes);
    return std::to_string(below(600) - 100);
}

// The window's own size stays within what a screen could show: a window a million pixels wide
// is a picture of hundreds of megabytes at every tick, which makes Wine crawl rather than fail.
std::string randomWindowSize() {
    static const char* const odd[] = {"-2147483648", "-1", "0", "1", "abc", "", "4000"};
    if (below(4) == 0)
        return pick(odd);
    return std::to_string(below(1200) - 100);
}

std::string randomPrice() {
    static const char* const prices[] = {
        "1",      "0",        "-1",    "1e308",
        "-1e308", "1e-308",   "nan",   "inf",
        "abc",    "0.5",      "",      "123456789012345678901234567890",
        "1,5",    "0.000001", "1e400", "3.14159265358979",
    };
    return pick(prices);
}

// Huge captions are rare: every reload reads the whole file once for each of its 54 keys.
std::string randomCaption(bool huge) {
    if (huge)
        return std::string(1 << 20, 'W');
    return randomBytes(150);
}

std::string cleanLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    return value;
}

// Every key of the tables with a random value of its kind, in a random order, some left out.
std::string randomSettingsFile(int rewrite) {
    const bool huge = rewrite % 150 == 7;
    std::vector<std::string> lines;
    for (const SettingKey* row : everySettingKey()) {
        const SettingKey& key = *row;
        if (below(10) == 0)
            continue;
        std::string value;
        switch (key.type) {
        case KeyType::Integer:
            value = std::strcmp(key.key, "Velnor.width:") == 0 ||
                            std::strcmp(key.key, "Velnor.height:") == 0
                        ? randomWindowSize()
                        : randomInteger();
            break;
        case KeyType::Flag:
            value = pick({"true", "false", "TRUE", "yes", "", "1"});
            break;
        case KeyType::Colour:
            value = randomColour();
            break;
        case KeyType::Caption:
            value = cleanLine(randomCaption(huge && below(4) == 0));
            break;
        case KeyType::Icon:
            // A missing icon opens a box at every reload while it stays in the file.
            if (below(4))
                continue;
            value = below(40) == 0 ? "missing.ico" : "a.ico";
            break;
        case KeyType::Price:
            value = randomPrice();
            break;
        case KeyType::Period:
            value = pick({"boot", "DAY", "month", "week", ""});
            break;
        case KeyType::Cap:
            value = pick({"100 GB", "1.5tb", "0", "-1 KB", "5 PB", "9999999999 TB", ""});
            break;
        case KeyType::Name:
            value = pick({"", "auto", "ALL", "{00000001-0000-0000-004E-657444657600}",
                          "Scripted adapter", "none such"});
            break;
        }
        lines.push_back(std::string(key.key) + " " + value);
    }
    for (std::size_t i = lines.size(); i > 1; --i)
        std::swap(lines[i - 1], lines[static_cast<std::size_t>(below(static_cast<int>(i)))]);
    std::string file;
    for (const std::string& line : lines)
        file += line + (below(2) ? "\r\n" : "\n");
    return file;
}

// ---- the plug-in's timer, as its start entry sets it ----

void CALLBACK timerTick(HWND, UINT, UINT_PTR, DWORD) {
    TrafficSampler::tick();
    invalidateWidget();
}

const char* const kSaneSettings =
    "Velnor.width: 100\r\nVelnor.height: 100\r\nVelnor.timer: 1000\r\n"
    "Velnor.adapter: 0\r\n";

TEST(Storm, WidgetSurvivesTenThousandRandomEvents) {
    installGdiCounting();
    hostResetStyle();
    hostSetExecuteEnabled(false);
    hostSetMenuMode(HostMenuMode::Record);
    const std::size_t baseline = liveObjects();
    const std::string folder = useSettingsFolder("storm");
    writeFile(folder + "a.ico", iconFileBytes());
    writeFile(settingsPath(), kSaneSettings);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(hostCreateWindows(instance));
    recordStart(instance, GetKSWnd(), nullptr, layeredAttributes());
    ASSERT_TRUE(InterfaceTable::load()) << "the scripted Iphlpapi.dll beside the test";
    FakeIfTableSetRowsFn setRows = fakeIfTableSetRows();
    ASSERT_NE(setRows, nullptr);
    FakeIfRow rows[3] = {fakeIfRow(1000, 2000, "lo"), fakeIfRow(3000000000u, 5000, "eth0"),
                         fakeIfRow(7, 8, "wlan0")};
    setRows(rows, 3);

    makeFramePen();
    reload();
    ASSERT_TRUE(createWidgetWindow(WidgetCommands{handleBroadcast, showContextMenu}));
    HWND window = moduleHandles().widget;
    ASSERT_NE(window, nullptr);
    startTimer(widgetSettings().timer, timerTick);
    ASSERT_NE(moduleHandles().timer, 0u);

    long broadcasts = 0, reconfigures = 0, rewrites = 0, menus = 0;
    {
        BoxWatcher boxes;
        for (int event = 0; event < kEvents; ++event) {
            const int kind = below(100);
            if (kind < 80) {
                const std::string text = randomBroadcast();
                SendMessageA(window, HOST_MSG_BROADCAST, 0,
                             below(50) ? reinterpret_cast<LPARAM>(text.c_str()) : 0);
                ++broadcasts;
            } else if (kind < 85) {
                SendMessageA(window, HOST_MSG_RECONFIGURE, 0, 0);
                ++reconfigures;
            } else if (kind < 93) {
                writeFile(settingsPath(), randomSettingsFile(static_cast<int>(rewrites)));
                ++rewrites;
            } else if (kind < 95) {
                SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(below(200), below(200)));
                if (below(2))
                    hostChooseMenuItem(pick({"lo", "eth0", "wlan0", "@Velnor.settings.write"}));
                ++menus;
            } else {
                for (FakeIfRow& r : rows) {
                    r.inOctets += static_cast<std::uint32_t>(random());
                    r.outOctets += 1000;
                }
                setRows(rows, 1 + below(3));
                TrafficSampler::tick();
                invalidateWidget();
            }
            if (event % 50 == 0) {
                UpdateWindow(window);
                pumpMessages();
            }
            if (event % 500 == 0)
                std::vector<std::string>().swap(hostLogLines());
        }
        pumpMessages();
        std::printf("storm of %d (seed %u): %ld broadcasts, %ld reconfigures, %ld rewrites, %ld "
                    "menus, %zu boxes\n",
                    kEvents, kSeed, broadcasts, reconfigures, rewrites, menus, boxes.seen().size());
    }

    // Still alive: back to sane settings, it reloads, paints and answers its commands.
    ASSERT_TRUE(IsWindow(window));
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>("@KSShowPlugins"));
    writeFile(settingsPath(), kSaneSettings);
    setRows(rows, 3);
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>("@Velnor.settings.read"));
    EXPECT_EQ(widgetSettings().width, 100);
    EXPECT_EQ(widgetSettings().adapter, 0);
    SendMessageA(window, HOST_MSG_BROADCAST, 0, reinterpret_cast<LPARAM>("@Velnor.adapter.1"));
    EXPECT_EQ(widgetSettings().adapter, 1);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], rows[1].inOctets);
    TrafficSampler::tick();
    invalidateWidget();
    UpdateWindow(window);
    EXPECT_NE(cachedPicture(), nullptr) << "it paints";
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    EXPECT_TRUE(hostCaptureWindow(window, pixels, width, height));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 100);
    // The shell's grey border frames the picture: the window shows it, not a blank surface.
    ASSERT_EQ(pixels.size(), 100u * 100u);
    EXPECT_EQ(pixels.back(), 0x888888u) << "it shows its picture";
    hostFreeMenus();
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_NE(hostLastMenu(), nullptr) << "it answers a right-click with its menu";
    std::vector<std::string> lines = hostMenuLines(hostLastMenu());
    std::string menu;
    for (const std::string& line : lines)
        menu += line + "\n";
    EXPECT_NE(menu.find("\"eth0\" \"@Velnor.adapter.1\" 1"), std::string::npos) << menu;

    stopTimer();
    destroyWidgetWindow();
    releaseResources();
    InterfaceTable::release();
    hostFreeMenus();
    hostDestroyWindows();
    clearHandles();
    EXPECT_EQ(liveObjects(), baseline) << "nothing made during the storm outlives the widget";
    std::vector<std::string>().swap(hostLogLines());
}

} // namespace
