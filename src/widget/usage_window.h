// The usage window: a popup tool window beside the widget with one column per day of the billing
// period, the day's received and sent bytes as two bars, and the period's totals under them.
// Drawn off-screen once per change and copied on paint, like the widget.
#pragma once

#include <cstdint>

#include "platform.h"
#include "shell.h"
#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "types.h"

constexpr char kUsageWindowClass[] = "VelnorUsageClass";
constexpr char kUsageWindowTitle[] = "Velnor usage";
// A billing period is at most 31 days long (from the 28th of February to the 30th of March with
// billing day 31).
constexpr int kUsageDaysMax = 31;
constexpr int kDateSize = 16;

// Everything one picture shows, gathered apart so that a test can paint known days.
struct UsagePicture {
    const unsigned char* style; // the shell's style record: the background gradient
    HFONT font;
    COLORREF text, plot; // the style's text colour; the receive graph's background
    COLORREF bars[Channel::Count];
    std::int32_t days;  // of the period, its first to its last, 1 to kUsageDaysMax
    std::int32_t today; // index of today; the days after it are empty
    std::int64_t bytes[kUsageDaysMax][Channel::Count];
    std::int64_t largest; // the largest bar, which fills the plot's height
    char scale[kTextSize];
    char first[kDateSize], last[kDateSize];
    char description[InterfaceTable::kDescriptionMax + 1];
    char totals[LabelKind::Count][kTextSize];
    // Empty, or what the totals hold that no column shows (month lines), right of the scale.
    char undated[64];
    // With a limit: its line under the description (the scale then stands at the row's right),
    // the daily allowance as a line across the bars with its figure, and the days after today as
    // outlined bars at the estimate's daily average (0: no estimate yet). The scale fits them.
    bool capped;
    COLORREF capColor; // the allowance's line and figure: the warning colour
    char capLine[3 * kTextSize + 32], capBrief[3 * kTextSize + 32]; // the brief where it is cut
    std::int64_t allowance, average;
    char allowanceText[kTextSize + 8];
};

// Where the picture puts things, in client coordinates; a column is kUsageColumn pixels wide,
// its two bars kUsageBar wide each, received on the left.
constexpr int kUsageWidth = 388;
constexpr int kUsageHeight = 228;
constexpr int kUsageColumn = 12;
constexpr int kUsageBar = 5;
constexpr RECT kUsageDescriptionBox{8, 4, kUsageWidth - 8, 22};
constexpr RECT kUsageScaleBox{8, 24, kUsageWidth - 8, 42};
constexpr RECT kUsagePlot{8, 44, 8 + kUsageDaysMax* kUsageColumn, 164};
// The first date left-aligned from the plot's left edge, the last right-aligned to the last
// column's right edge.
constexpr int kUsageDatesTop = 166, kUsageDatesBottom = 184;
// The totals: received, sent, both and cost in two rows of two, each a caption and a value
// right-aligned in its own box.
RECT usageTotalCaptionBox(int kind);
RECT usageTotalValueBox(int kind);
// The height in pixels of a bar of `bytes` when `largest` fills the plot: at least 1 for any
// traffic.
int usageBarHeight(std::int64_t bytes, std::int64_t largest);

// With a limit, where the allowance's line lies, and the box of its figure: above the line, or
// below it near the plot's top.
int usageAllowanceY(const UsagePicture& picture);
RECT usageAllowanceBox(const UsagePicture& picture);
// With a limit, the scale stands right-aligned in this part of the scale box's row.
constexpr int kUsageScaleWidth = 64;
// The whole picture into `dc`, origin at the client area's top-left corner. Allocates nothing.
void paintUsagePicture(HDC dc, const UsagePicture& picture);
// The running widget's picture: the selected interface's days of the billing period from the
// ledger, the installed settings' colours and font.
void gatherUsagePicture(UsagePicture& picture);
// Where a window of `size` goes beside `widget`: to its right, else to its left, wholly inside
// `work` (its top-left corner first where it does not fit).
POINT usageWindowPlace(const RECT& widget, const RECT& work, SIZE size);

// Opens the window while a ledger is kept, or closes it when it is open.
void toggleUsageWindow();
// After a tick or a reload: the next paint draws anew. Closes the window when no ledger is kept.
void refreshUsageWindow();
// Closes the window, if open, and lets go of its class: the stop sequence calls it.
void closeUsageWindow();
HWND usageWindow();
