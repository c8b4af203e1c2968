// The picture drawn into a 32-bit DIB and read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gdi.h"
#include "host.h"
#include "settings/cap.h"
#include "traffic/format.h"
#include "widget/painter.h"
#include "win/win_files.h"
#include "support/canvas.h"

namespace {

constexpr COLORREF kSct = RGB(0x20, 0x40, 0x60);
constexpr COLORREF kReceiveBar = RGB(0, 200, 0);
constexpr COLORREF kReceiveFill = RGB(0, 60, 0);
constexpr COLORREF kSendBar = RGB(200, 0, 0);
constexpr COLORREF kSendFill = RGB(60, 0, 0);
constexpr COLORREF kText = RGB(255, 255, 0);
constexpr COLORREF kFrame = RGB(0, 0, 0);
constexpr COLORREF kIcon = RGB(0x80, 0x10, 0xF0);
constexpr int kWidth = 320;
constexpr int kHeight = 200;

int gradientCalls() {
    return countLinesStartingWith(hostLogLines(), "MakeStyleGradient");
}

class PainterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resources.framePen = CreatePen(PS_SOLID, 1, kFrame);
        std::memcpy(resources.styleCopy + kStyleTextColorOffset, &kText, sizeof kText);
        resources.styleFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                          NONANTIALIASED_QUALITY, 0, "Tahoma");
        resources.sctBrush = CreateSolidBrush(kSct);
        settings.width = kWidth;
        settings.height = kHeight;
        settings.sctEnabled = true;
        settings.sctColor = kSct;
        const COLORREF bars[] = {kReceiveBar, kSendBar};
        const COLORREF fills[] = {kReceiveFill, kSendFill};
        for (int c = 0; c < Channel::Count; ++c) {
            Graph& g = settings.graphs[c];
            g.pen = CreatePen(PS_SOLID, 1, bars[c]);
            g.brush = CreateSolidBrush(fills[c]);
            g.color = bars[c];
            g.background = fills[c];
        }
        placeGraph(Channel::Receive, 10, 10, 200, 50);
        placeGraph(Channel::Send, 10, 61, 200, 50);
        // Labels start off the picture; a test moves the ones it looks at.
        for (Label& l : settings.labels) {
            l.y = 1000;
            l.left = 0;
            l.right = 100;
        }
        hostLogLines().clear();
    }
    void TearDown() override {
        DeleteObject(resources.framePen);
        DeleteObject(resources.styleFont);
        DeleteObject(resources.sctBrush);
        for (Graph& g : settings.graphs) {
            DeleteObject(g.pen);
            DeleteObject(g.brush);
        }
        for (Label& l : settings.labels)
            if (l.icon)
                DestroyIcon(l.icon);
    }

    void placeGraph(int channel, int x, int y, int width, int height) {
        Graph& g = settings.graphs[channel];
        g.x = x;
        g.y = y;
        g.width = width;
        g.height = height;
        histories[channel].assign(static_cast<std::size_t>(std::max(width, 0)), 0);
        g.history = histories[channel].data();
        g.maximum = 0;
    }
    void setHistory(int channel, std::int64_t maximum, std::vector<std::int64_t> values) {
        std::copy(values.begin(), values.end(), histories[channel].begin());
        settings.graphs[channel].maximum = maximum;
    }
    void paint(Canvas& canvas) {
        paintPicture(canvas.dc(), settings, resources, readings, labelFigures(settings, readings));
    }

    // The same text drawn alone, with the painter's font and colours, over `background`.
    void reference(Canvas& canvas, const char* text, Box box, UINT flags, COLORREF background) {
        HBRUSH fill = CreateSolidBrush(background);
        RECT all{0, 0, kWidth, kHeight};
        FillRect(canvas.dc(), &all, fill);
        DeleteObject(fill);
        ScopedSelect font(canvas.dc(), resources.styleFont);
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), kText);
        RECT r{box.left, box.top, box.right, box.bottom};
        DrawTextA(canvas.dc(), text, -1, &r, flags);
    }

    WidgetSettings settings{};
    DrawingResources resources{};
    TrafficReadings readings{};
    std::vector<std::int64_t> histories[Channel::Count];
};

TEST_F(PainterTest, BarsScaleToTheMaximumAndStandOnTheBottomEdge) {
    struct Row {
        std::int64_t maximum;
        std::vector<std::int64_t> values;
        std::vector<int> bars;
    };
    const Row rows[] = {
        {4, {0, 1, 2, 3, 4}, {0, 12, 25, 37, 50}},
        {0, {0, 5, 1}, {0, 0, 0}}, // maximum 0 right after a reload: nothing stands
        {3000000000LL, {3000000000LL, 1500000000LL, 29999999}, {50, 25, 0}},
        {97, {97, 96}, {50, 49}}, // 50 / 97 x 97 comes out just under 50 in doubles
        {4, {-1, -4000, std::numeric_limits<std::int64_t>::min()}, {0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "maximum " << row.maximum << " first " << row.values[0]);
        placeGraph(Channel::Receive, 10, 10, 200, 50);
        setHistory(Channel::Receive, row.maximum, row.values);
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        const Graph& g = settings.graphs[Channel::Receive];
        for (std::size_t j = 0; j < row.bars.size(); ++j) {
            const int x = g.x + static_cast<int>(j);
            for (int y = g.y; y < g.y + g.height; ++y) {
                const bool inBar = y >= g.y + g.height - row.bars[j];
                ASSERT_EQ(canvas.at(x, y), inBar ? kReceiveBar : kReceiveFill)
                    << "column " << j << " row " << y;
            }
            // Nothing of a bar, negative ones included, reaches below the frame.
            EXPECT_EQ(canvas.at(x, g.y + g.height), kFrame) << "column " << j;
            for (int y = g.y + g.height + 1; y < g.y + g.height + 12; ++y)
                EXPECT_NE(canvas.at(x, y), kReceiveBar) << "column " << j << " row " << y;
        }
    }
}

// A graph wider than the kept columns shows them, the newest last, at its right edge.
TEST_F(PainterTest, KeptColumnsStandAtTheRightEdgeOfAWideGraph) {
    const int width = kHistoryMax + 10;
    placeGraph(Channel::Receive, 50 - width, 10, width, 50);
    histories[Channel::Receive][kHistoryMax - 1] = 4;
    settings.graphs[Channel::Receive].maximum = 4;
    Canvas canvas(kWidth, kHeight);
    paint(canvas);
    EXPECT_EQ(canvas.at(49, 30), kReceiveBar);
    EXPECT_EQ(canvas.at(48, 30), kReceiveFill);
}

TEST_F(PainterTest, FrameLiesOnePixelOutsideTheGraphArea) {
    placeGraph(Channel::Send, 100, 150, 30, 20);
    Canvas canvas(kWidth, kHeight);
    paint(canvas);
    const Graph& g = settings.graphs[Channel::Receive];
    const int right = g.x + g.width, bottom = g.y + g.height;
    for (int x = g.x - 1; x <= right; ++x) {
        SCOPED_TRACE(::testing::Message() << "column " << x);
        EXPECT_EQ(canvas.at(x, g.y - 1), kFrame);
        EXPECT_EQ(canvas.at(x, bottom), kFrame);
        EXPECT_EQ(canvas.at(x, g.y - 2), kSct);
        EXPECT_EQ(canvas.at(x, bottom + 1), kSct);
    }
    for (int y = g.y - 1; y <= bottom; ++y) {
        SCOPED_TRACE(::testing::Message() << "row " << y);
        EXPECT_EQ(canvas.at(g.x - 1, y), kFrame);
        EXPECT_EQ(canvas.at(right, y), kFrame);
        EXPECT_EQ(canvas.at(g.x - 2, y), kSct);
        EXPECT_EQ(canvas.at(right + 1, y), kSct);
    }
    EXPECT_EQ(canvas.at(g.x, g.y), kReceiveFill);
    EXPECT_EQ(canvas.at(right - 1, bottom - 1), kReceiveFill);
}

TEST_F(PainterTest, GraphAtTheEdgeLosesThatFrameLine) {
    struct Row {
        int x, y;
    };
    for (const Row row : {Row{0, 20}, Row{20, 0}, Row{0, 0}}) {
        SCOPED_TRACE(::testing::Message() << "at " << row.x << "," << row.y);
        placeGraph(Channel::Receive, row.x, row.y, 60, 30);
        placeGraph(Channel::Send, 150, 150, 10, 10);
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        // The first row and column of the graph area are fill, not frame.
        for (int y = row.y; y < row.y + 30; ++y)
            ASSERT_EQ(canvas.at(row.x, y), kReceiveFill) << "row " << y;
        for (int x = row.x; x < row.x + 60; ++x)
            ASSERT_EQ(canvas.at(x, row.y), kReceiveFill) << "column " << x;
        EXPECT_EQ(canvas.at(row.x + 60, row.y + 30), kFrame);
    }
}

// Coordinates near the ends of 32 bits: what lies far off stays off the picture, rather than a
// sum wrapping round and spanning all of it.
TEST_F(PainterTest, FarOffGraphsAndLabelsStayOffThePicture) {
    struct Row {
        int x, y;
    };
    const int highest = std::numeric_limits<int>::max(), lowest = std::numeric_limits<int>::min();
    for (const Row row :
         {Row{highest - 20, 10}, Row{10, highest - 20}, Row{lowest + 5, 10}, Row{10, lowest}}) {
        SCOPED_TRACE(::testing::Message() << "at " << row.x << "," << row.y);
        placeGraph(Channel::Receive, row.x, row.y, 50, 30);
        setHistory(Channel::Receive, 4, std::vector<std::int64_t>(50, 4));
        placeGraph(Channel::Send, row.x, row.y, 50, 30);
        for (Label& l : settings.labels) {
            std::strcpy(l.caption, "WWWW");
            l.left = row.x;
            l.right = row.x;
            l.y = row.y;
        }
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        int painted = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                painted += canvas.at(x, y) != kSct;
        EXPECT_EQ(painted, 0);
    }
}

TEST_F(PainterTest, SendGraphCoversTheReceiveGraphsBottomRow) {
    placeGraph(Channel::Receive, 10, 10, 200, 50);
    placeGraph(Channel::Send, 10, 60, 200, 50);
    setHistory(Channel::Receive, 4, {4, 4});
    Canvas canvas(kWidth, kHeight);
    paint(canvas);
    EXPECT_EQ(canvas.at(10, 58), kReceiveBar);
    EXPECT_EQ(canvas.at(10, 59), kFrame);
    EXPECT_EQ(canvas.at(150, 59), kFrame);
    EXPECT_EQ(canvas.at(10, 60), kSendFill);
    EXPECT_EQ(canvas.at(9, 59), kFrame);
}

TEST_F(PainterTest, RateCaptionIsCentredAndCutWithAnEllipsis) {
    readings.rates[Channel::Receive] = 1536;
    Canvas wide(kWidth, kHeight);
    paint(wide);
    const Graph& g = settings.graphs[Channel::Receive];
    const Box area{g.x, g.y, g.x + g.width, g.y + g.height};
    const Box text = wide.ink(area, kReceiveFill);
    ASSERT_FALSE(text.empty());
    EXPECT_LE(std::abs((text.left - area.left) - (area.right - text.right)), 2);
    EXPECT_LE(std::abs((text.top - area.top) - (area.bottom - text.bottom)), 4);
    Canvas expected(kWidth, kHeight);
    reference(expected, "1.500 KB/s", area, DT_CENTER | DT_VCENTER | DT_SINGLELINE, kReceiveFill);
    EXPECT_TRUE(wide.same(expected, area));

    const int lineHeight = text.bottom - text.top;
    const int fullWidth = text.right - text.left;
    placeGraph(Channel::Receive, 10, 10, fullWidth / 2, 50);
    Canvas narrow(kWidth, kHeight);
    paint(narrow);
    const Box cut = narrow.ink(Box{g.x, g.y, g.x + g.width, g.y + g.height}, kReceiveFill);
    ASSERT_FALSE(cut.empty());
    EXPECT_LE(cut.bottom - cut.top, lineHeight + 1) << "one line only";
    // The last glyphs are the ellipsis' dots, which sit on the baseline: the last few inked
    // columns hold ink only in the lower part of the line.
    const Box tail = narrow.ink(Box{cut.right - 3, cut.top, cut.right, cut.bottom}, kReceiveFill);
    EXPECT_GT(tail.top, cut.top + lineHeight / 2);
    // Clipped to the graph: the frame to its right stays whole.
    for (int y = g.y; y < g.y + g.height; ++y)
        ASSERT_EQ(narrow.at(g.x + g.width, y), kFrame) << "row " << y;
}

TEST_F(PainterTest, LabelCaptionStartsAtTabAndValueEndsAtRight) {
    struct Row {
        int left, right, tab_x;
        bool captionShows;
    };
    const Row rows[] = {
        {10, 300, 0, true},    {10, 300, 30, true}, {10, 300, 100, false},
        {10, 300, 150, false}, {120, 60, 5, true}, // value box starts left of the window
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "left " << row.left << " right " << row.right << " tab_x " << row.tab_x);
        Label& l = settings.labels[LabelKind::Send];
        std::strcpy(l.caption, "Sent");
        l.left = row.left;
        l.right = row.right;
        l.y = 130;
        l.tab_x = row.tab_x;
        l.tab_y = 4;
        readings.totals[Channel::Send] = 2048;
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        const int top = l.y + l.tab_y;
        const Box value = canvas.ink(Box{row.right - 100, top, row.right + 20, top + 20}, kSct);
        ASSERT_FALSE(value.empty());
        EXPECT_LE(value.right, row.right);
        EXPECT_GE(value.right, row.right - 3);
        // Where the caption could show: from `left` to the value box, or on to the edge.
        const int end = row.right - 100 > row.left ? row.right - 100 : kWidth;
        const Box caption = canvas.ink(Box{row.left, top, end, top + 20}, kSct);
        if (row.captionShows) {
            ASSERT_FALSE(caption.empty());
            EXPECT_GE(caption.left, row.left + row.tab_x);
            EXPECT_LE(caption.left, row.left + row.tab_x + 3);
        } else {
            EXPECT_TRUE(caption.empty());
        }
        // Nothing of either text above or below its 20-row band.
        EXPECT_TRUE(canvas.ink(Box{0, top - 10, kWidth, top}, kSct).empty());
        EXPECT_TRUE(canvas.ink(Box{0, top + 20, kWidth, top + 30}, kSct).empty());
    }
}

TEST_F(PainterTest, LabelValuesByKind) {
    struct Row {
        int kind;
        std::int64_t receive, send;
        double cost;
        const char* text;
    };
    const Row rows[] = {
        {LabelKind::Receive, 1536, 0, 0, "1.500 KB"},
        {LabelKind::Send, 0, 1023, 0, "1023 B"},
        {LabelKind::Both, 3000000000LL, 3000000000LL, 0, "5.59 GB"}, // a 64-bit sum
        {LabelKind::Cost, 0, 0, 2.0, "2.00"},
        {LabelKind::Cost, 0, 0, 1234.5678, "1234.57"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Label& l = settings.labels[row.kind];
        l.left = 10;
        l.right = 250;
        l.y = 130;
        readings.totals[Channel::Receive] = row.receive;
        readings.totals[Channel::Send] = row.send;
        readings.cost = row.cost;
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        Canvas expected(kWidth, kHeight);
        const Box box{150, 130, 250, 150};
        reference(expected, row.text, box, DT_RIGHT, kSct);
        EXPECT_TRUE(canvas.same(expected, Box{110, 125, 260, 155}));
        l.y = 1000;
    }
}

bool hasColour(const Canvas& canvas, Box box, COLORREF colour) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (canvas.at(x, y) == colour)
                return true;
    return false;
}

TEST_F(PainterTest, BothAndCostValuesTakeTheLimitsColours) {
    constexpr COLORREF kWarn = RGB(255, 128, 0), kOver = RGB(255, 0, 64);
    settings.capWarnColor = kWarn;
    settings.capOverColor = kOver;
    const int tops[LabelKind::Count] = {70, 100, 130, 160};
    for (int kind = 0; kind < LabelKind::Count; ++kind) {
        settings.labels[kind].y = tops[kind];
        settings.labels[kind].right = 250;
        std::snprintf(settings.labels[kind].caption, kCaptionSize, "caption");
    }
    const CapLimit limit = capLimit(100000, 0, 1, 80);
    struct Row {
        std::int64_t used;
        COLORREF marked;
    };
    const Row rows[] = {{79999, kText}, {80000, kWarn}, {99999, kWarn}, {100000, kOver}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.used);
        const LabelFigures figures{{row.used - 1000, 1000}, 97.65, capLevel(limit, row.used)};
        Canvas canvas(kWidth, kHeight);
        paintPicture(canvas.dc(), settings, resources, readings, figures);
        for (int kind = 0; kind < LabelKind::Count; ++kind) {
            SCOPED_TRACE(kind);
            const bool valueMarked = kind == LabelKind::Both || kind == LabelKind::Cost;
            const Box value{150, tops[kind], 250, tops[kind] + 20};
            const Box caption{0, tops[kind], 100, tops[kind] + 20};
            EXPECT_TRUE(hasColour(canvas, value, valueMarked ? row.marked : kText));
            for (COLORREF other : {kText, kWarn, kOver})
                if (other != (valueMarked ? row.marked : kText)) {
                    EXPECT_FALSE(hasColour(canvas, value, other));
                }
            EXPECT_TRUE(hasColour(canvas, caption, kText));
            EXPECT_FALSE(hasColour(canvas, caption, row.marked == kText ? kWarn : row.marked));
        }
    }
}

TEST_F(PainterTest, HugeValuesStayBoundedInsideTheirBoxes) {
    struct Row {
        double cost;
        std::int64_t rate;
    };
    const Row rows[] = {
        {1e300, std::numeric_limits<std::int64_t>::max()},
        {-1e300, std::numeric_limits<std::int64_t>::min()},
        {std::numeric_limits<double>::infinity(), 1LL << 62},
        {std::numeric_limits<double>::quiet_NaN(), -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "cost " << row.cost << " rate " << row.rate);
        Label& l = settings.labels[LabelKind::Cost];
        l.left = 10;
        l.right = 300;
        l.y = 150;
        readings.cost = row.cost;
        readings.rates[Channel::Receive] = row.rate;
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        char cost[kTextSize];
        formatCost(row.cost, cost, sizeof cost);
        EXPECT_LT(std::strlen(cost), kTextSize);
        Canvas expected(kWidth, kHeight);
        reference(expected, cost, Box{200, 150, 300, 170}, DT_RIGHT, kSct);
        EXPECT_TRUE(canvas.same(expected, Box{0, 145, kWidth, 175}));
        // The caption stays on one line within its graph.
        const Graph& g = settings.graphs[Channel::Receive];
        const Box area{g.x, g.y, g.x + g.width, g.y + g.height};
        const Box text = canvas.ink(area, kReceiveFill);
        EXPECT_FALSE(text.empty());
        EXPECT_LT(text.bottom - text.top, 20);
    }
}

HICON solidIcon(COLORREF color) {
    HDC screen = GetDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    {
        ScopedMemoryDC dc(screen);
        ScopedSelect into(dc.get(), image);
        HBRUSH brush = CreateSolidBrush(color);
        RECT all{0, 0, 16, 16};
        FillRect(dc.get(), &all, brush);
        DeleteObject(brush);
        ScopedMemoryDC maskDc(nullptr);
        ScopedSelect maskInto(maskDc.get(), mask);
        PatBlt(maskDc.get(), 0, 0, 16, 16, BLACKNESS);
    }
    ReleaseDC(nullptr, screen);
    ICONINFO info{TRUE, 0, 0, mask, image};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(image);
    return icon;
}

TEST_F(PainterTest, IconSitsAtLeftAndY) {
    Label& with = settings.labels[LabelKind::Receive];
    with.icon = solidIcon(kIcon);
    with.left = 20;
    with.right = 300;
    with.y = 120;
    with.tab_x = 40;
    Label& without = settings.labels[LabelKind::Both];
    without.left = 20;
    without.right = 300;
    without.y = 160;
    without.tab_x = 40;
    Canvas canvas(kWidth, kHeight);
    paint(canvas);
    const Box icon = canvas.ink(Box{0, 115, 60, 145}, kSct);
    EXPECT_EQ(icon.left, 20);
    EXPECT_EQ(icon.top, 120);
    EXPECT_EQ(icon.right, 36);
    EXPECT_EQ(icon.bottom, 136);
    EXPECT_EQ(canvas.at(27, 127), kIcon);
    EXPECT_TRUE(canvas.ink(Box{0, 155, 60, 185}, kSct).empty());
}

TEST_F(PainterTest, BackgroundIsTheKeyColourOrTheStyleGradient) {
    placeGraph(Channel::Receive, 10, 10, 100, 40);
    placeGraph(Channel::Send, 10, 51, 100, 40);
    for (const bool sct : {true, false}) {
        SCOPED_TRACE(sct ? "sctEnabled" : "gradient");
        settings.sctEnabled = sct;
        hostLogLines().clear();
        Canvas canvas(kWidth, kHeight);
        paint(canvas);
        EXPECT_EQ(gradientCalls(), sct ? 0 : 1);
        if (!sct)
            continue;
        // Everything outside the two framed graphs is the key colour.
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool inGraphs = x >= 9 && x <= 110 && y >= 9 && y <= 91;
                if (!inGraphs) {
                    ASSERT_EQ(canvas.at(x, y), kSct) << x << "," << y;
                }
            }
    }
}

TEST_F(PainterTest, LeavesTheContextsSelectionsAsItFoundThem) {
    Canvas canvas(kWidth, kHeight);
    HDC dc = canvas.dc();
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    setHistory(Channel::Send, 2, {1, 2});
    paint(canvas);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
}

} // namespace
