// The widget's side of the settings: the paths, every key read through the real shell functions,
// the write-back and the icons with their error boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "handles.h"
#include "host.h"
#include "settings/keys.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "unit/settings_expected.h"
#include "win/gdi_count.h"
#include "win/message_boxes.h"
#include "win/win_files.h"

namespace {

// The path as the shell's log quotes it.
std::string logQuoted(const char* text) {
    std::string q = "\"";
    for (const char* p = text; *p; ++p)
        q += *p == '\\' ? std::string("\\\\") : std::string(1, *p);
    return q + "\"";
}

void releaseIcons(WidgetSettings& s) {
    for (Label& label : s.labels)
        if (label.icon)
            DestroyIcon(label.icon);
}

TEST(DerivePaths, FromTheModuleFile) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    derivePaths(nullptr);
    std::string path = module;
    std::string directory = path.substr(0, path.rfind('\\') + 1);
    EXPECT_EQ(std::string(pluginDirectory()), directory);
    EXPECT_EQ(std::string(settingsPath()), path.substr(0, path.rfind('.')) + ".rc");
}

TEST(ReadSettings, NoFileGivesEveryDefaultInTableOrder) {
    useSettingsFolder("defaults");
    BoxWatcher boxes;
    hostLogLines().clear();
    WidgetSettings s;
    std::memset(&s, 0x5A, sizeof s);
    readSettings(s);
    expectDefaultSettings(s);
    EXPECT_TRUE(boxes.seen().empty());

    const std::vector<std::string>& log = hostLogLines();
    // The ledger's keys come after the others, then the allowance's, the interface's last.
    const std::vector<const SettingKey*> keys = everySettingKey();
    ASSERT_EQ(log.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const SettingKey& key = *keys[i];
        SCOPED_TRACE(key.key);
        EXPECT_NE(log[i].find(std::string("\"") + key.key + "\""), std::string::npos) << log[i];
        EXPECT_NE(log[i].find(logQuoted(settingsPath())), std::string::npos);
    }
}

TEST(ReadSettings, EveryFieldFromAFile) {
    std::string folder = useSettingsFolder("full");
    const std::string exactly99(99, 'n');
    const std::string tooLong = std::string(99, 'c') + "CUT";
    writeFile(settingsPath(),
              "! every key with a value of its own\r\n"
              "Velnor.x: -5\r\nVelnor.y: 7\r\nVelnor.width: 300\r\nVelnor.height: 40\r\n"
              "Velnor.timer: 250\r\nvelnor.alphaenabled: true\r\nVelnor.alphaValue: 200\r\n"
              "Velnor.sctEnabled: true\r\nVelnor.sctColor: #102030\r\n"
              "Velnor.alwaysOnTop: true\r\nVelnor.pluginToggle: true\r\nVelnor.inSlit: true\r\n"
              "Velnor.receiveGraph.x: 1\r\nVelnor.receiveGraph.y: 2\r\n"
              "Velnor.receiveGraph.width: 80\r\nVelnor.receiveGraph.height: 3\r\n"
              "Velnor.receiveGraph.color: #FF0000\r\nVelnor.receiveGraph.background: #00FF00\r\n"
              "Velnor.sendGraph.x: 4\r\nVelnor.sendGraph.y: 5\r\nVelnor.sendGraph.width: 0\r\n"
              "Velnor.sendGraph.height: -6\r\nVelnor.sendGraph.color: #0000FF\r\n"
              "Velnor.sendGraph.background: #808080\r\n"
              "Velnor.receiveLabel.caption: " +
                  exactly99 +
                  "\r\n"
                  "Velnor.sendLabel.caption: " +
                  tooLong +
                  "\r\n"
                  "VELNOR.BOTHLABEL.CAPTION: Both ways\r\n"
                  "Velnor.receiveLabel.left: 11\r\nVelnor.receiveLabel.right: 12\r\n"
                  "Velnor.receiveLabel.y: 13\r\nVelnor.receiveLabel.tab_x: 14\r\n"
                  "Velnor.receiveLabel.tab_y: 15\r\nVelnor.sendLabel.left: 21\r\n"
                  "Velnor.sendLabel.right: 22\r\nVelnor.sendLabel.y: 23\r\n"
                  "Velnor.sendLabel.tab_x: 24\r\nVelnor.sendLabel.tab_y: 25\r\n"
                  "Velnor.bothLabel.left: 31\r\nVelnor.bothLabel.right: 32\r\n"
                  "Velnor.bothLabel.y: 33\r\nVelnor.bothLabel.tab_x: 34\r\n"
                  "Velnor.bothLabel.tab_y: 35\r\nVelnor.costLabel.left: 41\r\n"
                  "Velnor.costLabel.right: 42\r\nVelnor.costLabel.y: 43\r\n"
                  "Velnor.costLabel.tab_x: 44\r\nVelnor.costLabel.tab_y: 45\r\n"
                  "Velnor.price: 0.05\r\nVelnor.adapter: 99\r\n"
                  "Velnor.cap: 1.5 tb\r\nVelnor.budget: 12.5\r\nVelnor.capWarn: 90\r\n"
                  "Velnor.capWarnColor: #010203\r\nVelnor.capOverColor: #040506");
    WidgetSettings s{};
    readSettings(s);
    EXPECT_EQ(s.capBytes, std::int64_t{3} << 39);
    EXPECT_EQ(s.budget, 12.5);
    EXPECT_EQ(s.capWarn, 90);
    EXPECT_EQ(s.capWarnColor, RGB(1, 2, 3));
    EXPECT_EQ(s.capOverColor, RGB(4, 5, 6));
    EXPECT_EQ(s.x, -5);
    EXPECT_EQ(s.y, 7);
    EXPECT_EQ(s.width, 300);
    EXPECT_EQ(s.height, 40);
    EXPECT_EQ(s.timer, 250);
    EXPECT_TRUE(s.alphaEnabled);
    EXPECT_EQ(s.alphaValue, 200);
    EXPECT_TRUE(s.sctEnabled);
    EXPECT_EQ(s.sctColor, RGB(0x10, 0x20, 0x30));
    EXPECT_TRUE(s.alwaysOnTop);
    EXPECT_TRUE(s.pluginToggle);
    EXPECT_TRUE(s.inSlit);
    const Graph& r = s.graphs[Channel::Receive];
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    EXPECT_EQ(r.width, 80);
    EXPECT_EQ(r.height, 3);
    EXPECT_EQ(r.color, RGB(255, 0, 0));
    EXPECT_EQ(r.background, RGB(0, 255, 0));
    const Graph& g = s.graphs[Channel::Send];
    EXPECT_EQ(g.x, 4);
    EXPECT_EQ(g.y, 5);
    EXPECT_EQ(g.width, 0) << "stored as read; the reload mends it";
    EXPECT_EQ(g.height, -6);
    EXPECT_EQ(g.color, RGB(0, 0, 255));
    EXPECT_EQ(g.background, RGB(128, 128, 128));
    EXPECT_EQ(std::string(s.labels[LabelKind::Receive].caption), exactly99);
    EXPECT_EQ(std::string(s.labels[LabelKind::Send].caption), std::string(99, 'c'));
    EXPECT_STREQ(s.labels[LabelKind::Both].caption, "Both ways");
    EXPECT_STREQ(s.labels[LabelKind::Cost].caption, "");
    for (int k = 0; k < LabelKind::Count; ++k) {
        SCOPED_TRACE(k);
        const Label& l = s.labels[k];
        int base = 10 * (k + 1);
        EXPECT_EQ(l.left, base + 1);
        EXPECT_EQ(l.right, base + 2);
        EXPECT_EQ(l.y, base + 3);
        EXPECT_EQ(l.tab_x, base + 4);
        EXPECT_EQ(l.tab_y, base + 5);
        EXPECT_EQ(l.icon, nullptr);
    }
    EXPECT_EQ(s.price, 0.05);
    EXPECT_EQ(s.adapter, 99) << "left for the sampler to guard";
}

TEST(WriteSettings, ThreeKeysInOrderAndNothingElse) {
    std::string folder = useSettingsFolder("writeback");
    const std::string before = "! placed by hand\r\n"
                               "Velnor.someFutureKey: 42\r\n"
                               "Velnor.x: 100\r\n"
                               "\r\n"
                               "# Velnor.y: 5\r\n"
                               "Velnor.width: 120\r\n";
    writeFile(settingsPath(), before);
    WidgetSettings values = widgetSettings();
    values.x = 321;
    values.y = -7;
    values.adapter = 2;
    const WidgetSettings saved = installSettings(values);
    hostLogLines().clear();
    writeSettings();
    installSettings(saved);

    const std::string quotedPath = logQuoted(settingsPath());
    const std::vector<std::string> expectedLog = {
        "WriteInt " + quotedPath + " \"Velnor.x:\" 321",
        "WriteInt " + quotedPath + " \"Velnor.y:\" -7",
        "WriteInt " + quotedPath + " \"Velnor.adapter:\" 2",
    };
    EXPECT_EQ(hostLogLines(), expectedLog);
    EXPECT_EQ(readFile(settingsPath()), "! placed by hand\r\n"
                                        "Velnor.someFutureKey: 42\r\n"
                                        "Velnor.x: 321\r\n"
                                        "\r\n"
                                        "# Velnor.y: 5\r\n"
                                        "Velnor.width: 120\r\n"
                                        "Velnor.y: -7\r\n"
                                        "Velnor.adapter: 2\r\n");
    WidgetSettings s{};
    readSettings(s);
    EXPECT_EQ(s.x, 321);
    EXPECT_EQ(s.y, -7);
    EXPECT_EQ(s.adapter, 2);
    EXPECT_EQ(s.width, 120);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Velnor.rc"});
}

TEST(IconLoading, RealMissingAndJoinedPaths) {
    std::string folder = useSettingsFolder("icons");
    writeFile(folder + "good.ico", iconFileBytes());
    writeFile(folder + "broken.ico", "not an icon at all");
    writeFile(settingsPath(), "Velnor.receiveLabel.icon: good.ico\r\n"
                              "Velnor.sendLabel.icon: missing.ico\r\n"
                              "Velnor.bothLabel.icon: C:\\abs\\x.ico\r\n"
                              "Velnor.costLabel.icon: broken.ico\r\n");
    ASSERT_NE(installGdiCounting().messageBoxA, nullptr);
    boxCalls().clear();
    HostWindow host;
    BoxWatcher boxes;
    WidgetSettings s{};
    readSettings(s);

    HICON good = s.labels[LabelKind::Receive].icon;
    ASSERT_NE(good, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(good, &info));
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 16) << "the size the file gives";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(s.labels[LabelKind::Send].icon, nullptr);
    EXPECT_EQ(s.labels[LabelKind::Both].icon, nullptr);
    EXPECT_EQ(s.labels[LabelKind::Cost].icon, nullptr);

    const std::string expectedTexts[] = {folder + "missing.ico", folder + "C:\\abs\\x.ico",
                                         folder + "broken.ico"};
    // What the boxes showed, read from their windows, and how they were asked for: the style
    // comes from the call, since Wine's box window does not show MB_TOPMOST as WS_EX_TOPMOST.
    ASSERT_EQ(boxes.seen().size(), 3u) << "one box per failing icon";
    ASSERT_EQ(boxCalls().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const SeenBox& box = boxes.seen()[i];
        EXPECT_EQ(box.text, expectedTexts[i]) << "in label order";
        EXPECT_EQ(box.caption, "Cannot load icon");
        EXPECT_EQ(box.owner, host.get());
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_HAND));
        EXPECT_EQ(box.buttons, static_cast<UINT>(MB_OK));
        EXPECT_EQ(boxCalls()[i].style, 0x40010u);
        EXPECT_EQ(boxCalls()[i].owner, host.get());
        EXPECT_EQ(boxCalls()[i].text, expectedTexts[i]);
    }
    releaseIcons(s);
}

TEST(IconLoading, AbsentEmptyAndOverlongValues) {
    std::string folder = useSettingsFolder("iconedge");
    HostWindow host;
    BoxWatcher boxes;
    EXPECT_EQ(loadIcon(nullptr), nullptr);
    EXPECT_EQ(loadIcon(""), nullptr);
    EXPECT_TRUE(boxes.seen().empty()) << "no value, no box";

    std::string overlong(300, 'o');
    EXPECT_EQ(loadIcon(overlong.c_str()), nullptr);
    // Exactly as long as a path may be: tried, and fails because there is no such file.
    std::string longest(kPathSize - 1 - folder.size(), 'e');
    EXPECT_EQ(loadIcon(longest.c_str()), nullptr);
    ASSERT_EQ(boxes.seen().size(), 2u);
    std::string cut = (folder + overlong).substr(0, kPathSize - 4) + "...";
    EXPECT_EQ(boxes.seen()[0].text, cut);
    EXPECT_EQ(boxes.seen()[1].text, folder + longest);
}

} // namespace
