// A data cap in the running widget: the real Velnor.dll in kestrum.exe on the scripted table,
// whose day crosses 80% and 100% of the cap while it runs. The balloon of each crossing is read
// from the shell's process and photographed with the widget; the driver's screenshots before and
// after each crossing show the both and cost values' colours; the last balloon closes by itself.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"

#include <commctrl.h>

#include "host.h"
#include "plugin_e2e_rig.h"
#include "support/canvas.h"
#include "win/host_png.h"
#include "win/tooltip_windows.h"
#include "win/win_files.h"

namespace {

constexpr std::uint32_t kWarn = 0xFFC000, kOver = 0xFF4040; // the colours' defaults

// The balloon another process shows, or null.
HWND shownBalloon() {
    for (HWND window = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); window;
         window = FindWindowExA(nullptr, window, "tooltips_class32", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() && IsWindowVisible(window) &&
            (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON))
            return window;
    }
    return nullptr;
}

// The text of the balloon once one shows it with `percent`, within two seconds; "" if none did.
std::string balloonWith(const std::string& percent, HWND& balloon) {
    std::string text;
    for (int waited = 0; waited < 2000; waited += 20) {
        balloon = shownBalloon();
        text = balloon ? tooltipText(balloon) : "";
        if (text.find(percent) != std::string::npos)
            return text;
        Sleep(20);
    }
    return "none with " + percent + ", last: " + text;
}

bool holds(const DecodedPng& picture, std::uint32_t colour) {
    for (std::uint32_t pixel : picture.pixels)
        if (pixel == colour)
            return true;
    return false;
}

TEST(CapE2e, TheDayCrosses80And100PercentWhileItRuns) {
    E2eRun run;
    run.folder = "cap";
    DeleteFileA((run.folder + "\\Velnor.usage").c_str());
    run.settings = readFile(std::string("Z:") + E2E_DEMO_RC) +
                   "Velnor.adapter: 1\nVelnor.period: day\nVelnor.cap: 10 MB\n";
    auto rows = [](std::uint32_t received) {
        return "1000 2000 lo\n" + std::to_string(received) + " 0 eth0\n";
    };
    constexpr std::uint32_t kStart = 50000000;
    run.rows = rows(kStart);
    run.script = {"start free", "mark started",
                  "wait 1000",  "screenshot below.png",
                  "wait 1500",  "screenshot warn.png",
                  "wait 1500",  "screenshot over.png",
                  "wait 12000", "stop"};
    E2eProcess launched;
    ASSERT_TRUE(e2eLaunch(run, launched));
    const DWORD started = e2eWaitForLine(run.folder, "> mark started");
    ASSERT_NE(started, 0u);

    // 8,400 KB of today's 10 MB (82%), after the first screenshot.
    Sleep(1300);
    e2eWriteRows(run.folder, rows(kStart + 8400 * 1024));
    HWND balloon = nullptr;
    EXPECT_EQ(balloonWith("(82%)", balloon),
              "8.2 MB used (82%), 1.8 MB left, 1.8 MB a day for 1 day");

    // 10,450 KB (102%) after the second.
    const int untilOver = static_cast<int>(started + 2800 - GetTickCount());
    if (untilOver > 0)
        Sleep(static_cast<DWORD>(untilOver));
    e2eWriteRows(run.folder, rows(kStart + 10450 * 1024));
    EXPECT_EQ(balloonWith("(102%)", balloon), "10.2 MB used (102%), 0 B left, 0 B a day for 1 day");
    const DWORD shown = GetTickCount();
    ASSERT_NE(balloon, nullptr);

    // The widget and its balloon, as the user sees them.
    HWND widget = FindWindowA("VelnorClass", nullptr);
    RECT widgetRect{}, balloonRect{}, both{};
    GetWindowRect(widget, &widgetRect);
    GetWindowRect(balloon, &balloonRect);
    UnionRect(&both, &widgetRect, &balloonRect);
    InflateRect(&both, 4, 4);
    Canvas screen(both.right - both.left, both.bottom - both.top);
    HDC dc = GetDC(nullptr);
    BitBlt(screen.dc(), 0, 0, both.right - both.left, both.bottom - both.top, dc, both.left,
           both.top, SRCCOPY);
    ReleaseDC(nullptr, dc);
    const std::string shot = run.folder + "\\balloon.png";
    EXPECT_TRUE(hostWritePng(shot.c_str(), screen.pixels(), both.right - both.left,
                             both.bottom - both.top));

    // It closes by itself after about ten seconds.
    while (shownBalloon() && GetTickCount() - shown < 15000)
        Sleep(50);
    const DWORD open = GetTickCount() - shown;
    EXPECT_GE(open, 8000u);
    EXPECT_LE(open, 12000u);
    ASSERT_EQ(e2eFinish(launched), 0);
    EXPECT_LT(findLine(e2eLog(run.folder), "> MessageBoxA"), 0) << "never a message box";

    struct Shot {
        const char* file;
        bool warn, over;
    };
    for (const Shot& s : {Shot{"below.png", false, false}, Shot{"warn.png", true, false},
                          Shot{"over.png", false, true}}) {
        SCOPED_TRACE(s.file);
        DecodedPng picture;
        ASSERT_EQ(decodePngFile((run.folder + "\\" + s.file).c_str(), picture), "");
        EXPECT_EQ(holds(picture, kWarn), s.warn);
        EXPECT_EQ(holds(picture, kOver), s.over);
    }
}

} // namespace
