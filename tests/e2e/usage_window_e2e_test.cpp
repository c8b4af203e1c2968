// The usage window of the real Velnor.dll in kestrum.exe: offered in the menu only with a ledger,
// opened by choosing it, photographed by the shell's driver, and 1,000 opens and closes counted
// for the GDI objects and windows they leave behind.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin_e2e_rig.h"
#include "support/lines.h"
#include "usage/calendar.h"
#include "widget/usage_window.h"
#include "win/host_png.h"
#include "win/win_files.h"

namespace {

const char kRows[] = "1000 2000 lo\n5000 6000 eth0\n";
constexpr std::int64_t kMiB = 1048576;
// The demo's receive and send bar colours and the receive graph's background.
constexpr std::uint32_t kReceive = 0x50D050, kSend = 0x5090FF, kPlot = 0x102410;

std::string settings(const char* period) {
    // A tick would redraw the widget's picture between the counts: none comes in the run.
    return readFile(std::string("Z:") + E2E_DEMO_RC) + "Velnor.adapter: 1\nVelnor.timer: 600000\n" +
           "Velnor.period: " + period + "\n";
}

// The menu's top-level items as the shell's log shows them.
std::vector<std::string> topItems(const std::vector<std::string>& log) {
    std::vector<std::string> items;
    const int shown = findLine(log, "ShowMenu ");
    for (std::size_t i = static_cast<std::size_t>(shown) + 1;
         shown >= 0 && i < log.size() && log[i].compare(0, 2, "  ") == 0; ++i)
        if (log[i].compare(0, 3, "   ") != 0)
            items.push_back(log[i].substr(2, log[i].find('"', log[i].find('"') + 1) - 1));
    return items;
}

TEST(UsageWindowE2e, WithoutALedgerTheMenuIsAsBeforeAndTheCommandDoesNothing) {
    E2eRun run;
    run.folder = "usage_boot";
    run.settings = settings("boot");
    run.rows = kRows;
    run.script = {"start free", "rightclick", "broadcast @Velnor.usage", "window \"Velnor usage\"",
                  "stop"};
    ASSERT_EQ(e2eRunScript(run), 0);
    const std::vector<std::string> log = e2eLog(run.folder);
    EXPECT_EQ(topItems(log), (std::vector<std::string>{"submenu \"Adapter\"", "nop null",
                                                       "submenu \"Settings\"", "item \"About\""}));
    EXPECT_GE(findLine(log, "> window \"Velnor usage\" absent"), 0);
}

TEST(UsageWindowE2e, ChoosingUsageOpensThePictureAndAThousandOpensLeaveNothing) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::int32_t today = dayNumber(now.wYear, now.wMonth, now.wDay);
    const std::int32_t first = periodStart(today, 1), last = periodEnd(today, 1);
    // Every day of the period so far: the further into it, the more; today the most.
    std::string ledger;
    for (std::int32_t day = first; day <= today; ++day) {
        const CivilDate date = civilDate(day);
        char line[96];
        std::snprintf(line, sizeof line, "%04d-%02d-%02d\teth0\t%lld\t%lld\n", date.year,
                      date.month, date.day, static_cast<long long>((day - first + 1) * 10 * kMiB),
                      static_cast<long long>((day - first + 1) * 4 * kMiB));
        ledger += line;
    }
    E2eRun run;
    run.folder = "usage_day";
    CreateDirectoryA(run.folder.c_str(), nullptr);
    ASSERT_TRUE(writeFile(run.folder + "\\Velnor.usage", ledger));
    run.settings = settings("day");
    run.rows = kRows;
    run.script = {"start free",
                  "wait 300",
                  "objects",
                  "rightclick",
                  "choose Usage",
                  "window \"Velnor usage\"",
                  "screenshot usage.png \"Velnor usage\"",
                  "broadcast @Velnor.usage",
                  "window \"Velnor usage\"",
                  "mark opens"};
    for (int i = 0; i < 1000; ++i) {
        run.script.push_back("broadcast @Velnor.usage");
        run.script.push_back("broadcast @Velnor.usage");
    }
    run.script.insert(run.script.end(), {"objects", "stop"});
    ASSERT_EQ(e2eRunScript(run), 0);
    const std::vector<std::string> log = e2eLog(run.folder);

    const std::vector<std::string> items = topItems(log);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[2], "submenu \"Settings\"");
    EXPECT_EQ(items[3], "item \"Usage\"");
    EXPECT_EQ(items[4], "item \"About\"");
    const std::vector<std::string> windows = linesStartingWith(log, "> window ");
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_NE(windows[0].find("class \"VelnorUsageClass\""), std::string::npos) << windows[0];
    EXPECT_NE(windows[0].find(" visible 1"), std::string::npos) << windows[0];
    EXPECT_EQ(windows[1], "> window \"Velnor usage\" absent");

    DecodedPng picture;
    ASSERT_EQ(decodePngFile((run.folder + "\\usage.png").c_str(), picture), "");
    ASSERT_EQ(picture.width, kUsageWidth);
    ASSERT_EQ(picture.height, kUsageHeight);
    const int column = kUsagePlot.left + (today - first) * kUsageColumn + 1;
    EXPECT_EQ(picture.at(column + 2, kUsagePlot.top), kReceive) << "today, the largest, fills it";
    EXPECT_EQ(picture.at(column + kUsageBar + 2, kUsagePlot.bottom - 1), kSend);
    EXPECT_EQ(picture.at(column + kUsageBar + 2, kUsagePlot.top), kPlot);
    if (today < last) {
        EXPECT_EQ(picture.at(column + kUsageColumn + 2, kUsagePlot.bottom - 1), kPlot)
            << "tomorrow is empty";
    }

    const std::vector<std::string> counts = linesStartingWith(log, "> objects ");
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[1], counts[0]) << "GDI objects and windows after 1,000 opens and closes";
    int pictures = 0;
    for (const std::string& line : linesStartingWith(log, "MakeStyleGradient "))
        pictures += line.find(" 0 0 " + std::to_string(kUsageWidth) + " " +
                              std::to_string(kUsageHeight) + " ") != std::string::npos;
    EXPECT_EQ(pictures, 1001) << "each open drew its picture";
}

} // namespace
