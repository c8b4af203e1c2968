// Velnor.dll's tooltip as the shell runs it: the driver's "hover" moves the pointer onto the
// widget; this test reads the tooltip that opens in the shell's process and photographs the
// screen with it.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host.h"
#include "plugin_e2e_rig.h"
#include "support/canvas.h"
#include "win/host_png.h"
#include "win/tooltip_windows.h"
#include "win/win_files.h"

namespace {

// A visible top-level window of `className` that another process shows, or null.
HWND shownElsewhere(const char* className) {
    for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window;
         window = FindWindowExA(nullptr, window, className, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// The screen inside `area`, as 0x00RRGGBB pixels, top row first.
std::vector<std::uint32_t> screenPixels(const RECT& area) {
    Canvas canvas(area.right - area.left, area.bottom - area.top);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
           area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas.pixels();
}

std::uint32_t rgb(COLORREF color) {
    return static_cast<std::uint32_t>(GetRValue(color)) << 16 | GetGValue(color) << 8 |
           GetBValue(color);
}

// The demo's layout on the scripted table: traffic for two seconds, so that the graphs show bars,
// then still counters, so that the tooltip's figures are known once a few ticks have passed.
TEST(TooltipE2e, HoverOpensTheTooltipOfTheRunningWidget) {
    constexpr std::uint32_t kReceived = 1288490189, kSent = 322122547; // 1.20 GB, 307.2 MB
    constexpr int kSteps = 8;
    std::uint32_t received = kReceived, sent = kSent;
    for (int step = 0; step < kSteps; ++step) {
        received -= static_cast<std::uint32_t>(step % 4 + 1) * 2000000u;
        sent -= static_cast<std::uint32_t>(step % 3 + 1) * 600000u;
    }
    auto rows = [&] {
        return "1000 2000 lo\n" + std::to_string(received) + " " + std::to_string(sent) + " eth0\n";
    };
    E2eRun run;
    run.folder = "tooltip";
    run.settings = readFile(std::string("Z:") + E2E_DEMO_RC) + "Velnor.adapter: 1\n";
    run.rows = rows();
    run.script = {"start free", "mark started", "wait 3000", "hover 150 90", "wait 5000", "stop"};
    pointAt(offEveryWidget());
    E2eProcess launched;
    ASSERT_TRUE(e2eLaunch(run, launched));
    const DWORD started = e2eWaitForLine(run.folder, "> mark started");
    ASSERT_NE(started, 0u);
    for (int step = 0; step < kSteps; ++step) {
        const int wait =
            static_cast<int>(started + 250u * static_cast<DWORD>(step + 1) - GetTickCount());
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
        received += static_cast<std::uint32_t>(step % 4 + 1) * 2000000u;
        sent += static_cast<std::uint32_t>(step % 3 + 1) * 600000u;
        e2eWriteRows(run.folder, rows());
    }
    HWND tooltip = nullptr;
    for (int waited = 0; waited < 6000 && !tooltip; waited += 20) {
        Sleep(20);
        tooltip = shownElsewhere("tooltips_class32");
    }
    HWND widget = shownElsewhere("VelnorClass");
    ASSERT_NE(tooltip, nullptr) << "no tooltip opened";
    ASSERT_NE(widget, nullptr);
    // The ticks that follow the last rows settle the figures; the tooltip follows them.
    const std::string still = "eth0\r\nreceive 0 B/s\r\nsend 0 B/s\r\nreceived 1.20 GB\r\n"
                              "sent 307.2 MB\r\nboth 1.50 GB\r\ncost 15.73";
    std::string shown = tooltipText(tooltip);
    for (int waited = 0; waited < 3000 && shown != still; waited += 20) {
        Sleep(20);
        shown = tooltipText(tooltip);
    }
    EXPECT_EQ(shown, still);

    RECT widgetRect{}, tooltipRect{}, both{};
    GetWindowRect(widget, &widgetRect);
    GetWindowRect(tooltip, &tooltipRect);
    UnionRect(&both, &widgetRect, &tooltipRect);
    InflateRect(&both, 4, 4);
    const std::string shot = run.folder + "\\tooltip.png";
    ASSERT_TRUE(hostWritePng(shot.c_str(), screenPixels(both), both.right - both.left,
                             both.bottom - both.top));
    ASSERT_EQ(e2eFinish(launched), 0);
    EXPECT_GE(findLine(e2eLog(run.folder), "> hover "), 0);

    // The picture holds both: the receive graph's background and the tooltip's.
    DecodedPng picture;
    ASSERT_EQ(decodePngFile(shot.c_str(), picture), "");
    EXPECT_EQ(picture.at(widgetRect.left - both.left + 3, widgetRect.top - both.top + 3),
              0x102410u);
    EXPECT_EQ(picture.at(tooltipRect.left - both.left + 2, tooltipRect.top - both.top + 2),
              rgb(GetSysColor(COLOR_INFOBK)));
}

} // namespace
