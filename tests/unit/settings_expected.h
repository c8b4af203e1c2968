// What a WidgetSettings holds when every key takes its default: the picture a user gets with no
// settings file at all. Checked by the Wine read test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/keys.h"
#include "types.h"
#include "usage/keeper.h"

// Every key in reading order.
inline std::vector<const SettingKey*> everySettingKey() {
    std::vector<const SettingKey*> keys;
    for (const KeyTable& table : kKeyTables)
        for (int row = 0; row < table.count; ++row)
            keys.push_back(&table.rows[row]);
    return keys;
}

inline void expectDefaultSettings(const WidgetSettings& s) {
    EXPECT_EQ(s.x, 100);
    EXPECT_EQ(s.y, 100);
    EXPECT_EQ(s.width, 100);
    EXPECT_EQ(s.height, 100);
    EXPECT_EQ(s.timer, 1000);
    EXPECT_FALSE(s.alphaEnabled);
    EXPECT_EQ(s.alphaValue, 100);
    EXPECT_FALSE(s.sctEnabled);
    EXPECT_EQ(s.sctColor, 0xFFFFFFu);
    EXPECT_FALSE(s.alwaysOnTop);
    EXPECT_FALSE(s.pluginToggle);
    EXPECT_FALSE(s.inSlit);

    const int graphY[Channel::Count] = {0, 50};
    for (int c = 0; c < Channel::Count; ++c) {
        SCOPED_TRACE(c);
        const Graph& g = s.graphs[c];
        EXPECT_EQ(g.x, 0);
        EXPECT_EQ(g.y, graphY[c]);
        EXPECT_EQ(g.width, 50);
        EXPECT_EQ(g.height, 50);
        EXPECT_EQ(g.color, 0xFFFFFFu);
        EXPECT_EQ(g.background, 0x000000u);
    }

    const int left[LabelKind::Count] = {60, 60, 10, 10};
    const int labelY[LabelKind::Count] = {10, 20, 30, 50};
    for (int k = 0; k < LabelKind::Count; ++k) {
        SCOPED_TRACE(k);
        const Label& l = s.labels[k];
        EXPECT_STREQ(l.caption, "");
        EXPECT_EQ(l.left, left[k]);
        EXPECT_EQ(l.right, 90);
        EXPECT_EQ(l.y, labelY[k]);
        EXPECT_EQ(l.tab_x, 0);
        EXPECT_EQ(l.tab_y, 0);
        EXPECT_EQ(l.icon, nullptr);
    }
    EXPECT_EQ(s.price, 1.0);
    EXPECT_EQ(s.adapter, 0);
    EXPECT_EQ(s.period, UsagePeriod::Boot);
    EXPECT_EQ(s.billingDay, 1);
    EXPECT_EQ(s.capBytes, 0);
    EXPECT_EQ(s.budget, 0.0);
    EXPECT_EQ(s.capWarn, 80);
    EXPECT_EQ(s.capWarnColor, 0x00C0FFu);
    EXPECT_EQ(s.capOverColor, 0x4040FFu);
    EXPECT_STREQ(s.interfaceName, "");
    EXPECT_FALSE(s.interfaceInFile);
    EXPECT_FALSE(s.interfaceChosen);
}
