// 10,000 reloads leak nothing. The shell's settings functions are replaced here by the same
// syntax over a text in memory: under Wine each real read opens and closes the file, and
// 540,000 of them would take minutes. The style functions, the GDI calls and the icon files
// are the real ones.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host.h"
#include "plugin/shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "settings_syntax.h"
#include "style.h"
#include "win/gdi_count.h"
#include "win/message_boxes.h"
#include "win/win_files.h"

namespace {

std::string memoryFile;
std::string stringResult;

bool lookUp(const char* key, std::string& value) {
    SettingValue found;
    if (!findSetting(memoryFile.data(), memoryFile.size(), key, found))
        return false;
    value = memoryFile.substr(found.begin, found.end - found.begin);
    return true;
}

} // namespace

extern "C" int ReadInt(const char*, const char* key, int defaultValue) {
    std::string text;
    std::int32_t value;
    return lookUp(key, text) && parseSettingInt(text.data(), text.size(), value) ? value
                                                                                 : defaultValue;
}

extern "C" bool ReadBool(const char*, const char* key, bool defaultValue) {
    std::string text;
    bool value;
    return lookUp(key, text) && parseSettingBool(text.data(), text.size(), value) ? value
                                                                                  : defaultValue;
}

extern "C" COLORREF ReadColor(const char*, const char* key, const char* defaultColor) {
    std::string text;
    std::uint32_t value = 0;
    if (lookUp(key, text) && parseSettingColor(text.data(), text.size(), value))
        return value;
    parseSettingColor(defaultColor, std::strlen(defaultColor), value);
    return value;
}

extern "C" const char* ReadString(const char*, const char* key, const char* defaultText) {
    if (!lookUp(key, stringResult))
        return defaultText;
    return stringResult.c_str();
}

extern "C" void WriteInt(const char*, const char*, int) {}

namespace {

std::size_t historyEntries(const Graph& graph) {
    return graph.history ? LocalSize(graph.history) / sizeof(std::int64_t) : 0;
}

std::vector<HGDIOBJ> installedObjects() {
    std::vector<HGDIOBJ> objects;
    for (const Graph& graph : widgetSettings.graphs) {
        objects.push_back(graph.pen);
        objects.push_back(graph.brush);
    }
    objects.push_back(drawingResources.styleFont);
    objects.push_back(drawingResources.sctBrush);
    return objects;
}

// Live objects are counted through this program's import table (see gdi_count.h): every
// CreatePen, CreateSolidBrush, CreateFont(Indirect)A and icon LoadImageA made by the widget or
// the shell for it, minus every DeleteObject and DestroyIcon that released one of them.
// Every tenth reload names icons, so icons are both replaced by icons and dropped; the sct mode
// goes on and off, so its brush is both replaced and kept.
TEST(ReloadLeak, TenThousandReloadsLeakNothing) {
    const auto& counting = installGdiCounting();
    ASSERT_TRUE(counting.createPen && counting.createSolidBrush && counting.createFontIndirectA &&
                counting.deleteObject && counting.loadImageA && counting.destroyIcon);
    const std::size_t baseline = liveObjects();
    std::string folder = freshFolder("leak");
    std::strcpy(pluginDirectory, folder.c_str());
    writeFile(folder + "a.ico", iconFileBytes());
    const std::string plain = "Velnor.sctEnabled: true\nVelnor.receiveGraph.width: 70\n";
    const std::string modeOff = "Velnor.sctEnabled: false\n";
    const std::string withIcons = "Velnor.sctEnabled: true\n"
                                  "Velnor.receiveLabel.icon: a.ico\nVelnor.costLabel.icon: a.ico\n";
    makeFramePen();
    memoryFile = plain;
    reload();
    const std::size_t live = liveObjects();
    EXPECT_EQ(live, baseline + 1 + 4 + 1 + 1) << "frame pen, graphs, font, mode brush";
    std::size_t stillValid = 0, iconsKept = 0, iconsLoaded = 0;
    for (int i = 1; i <= 10000; ++i) {
        SCOPED_TRACE(i);
        std::vector<HGDIOBJ> before = installedObjects();
        std::vector<HICON> iconsBefore;
        for (const Label& label : widgetSettings.labels)
            if (label.icon)
                iconsBefore.push_back(label.icon);
        memoryFile = i % 10 == 5 ? withIcons : i % 10 == 7 ? modeOff : plain;
        bool modeOn = i % 10 != 7;
        reload();
        for (HGDIOBJ object : before)
            if (modeOn || object != drawingResources.sctBrush)
                stillValid += GetObjectType(object) != 0;
        for (HICON icon : iconsBefore)
            iconsKept += gdicount::state().live.count(icon);
        iconsLoaded += widgetSettings.labels[LabelKind::Cost].icon != nullptr;
        ASSERT_EQ(historyEntries(widgetSettings.graphs[Channel::Receive]),
                  static_cast<std::size_t>(widgetSettings.graphs[Channel::Receive].width));
        if (i % 500 == 0)
            hostLogLines().clear();
    }
    EXPECT_EQ(iconsLoaded, 1000u);
    EXPECT_EQ(stillValid, 0u) << "every replaced pen, brush and font is deleted";
    EXPECT_EQ(iconsKept, 0u) << "every replaced icon is destroyed";
    EXPECT_EQ(liveObjects(), live);
    EXPECT_EQ(GetObjectType(drawingResources.framePen), static_cast<DWORD>(OBJ_PEN));
    releaseResources();
    EXPECT_EQ(liveObjects(), baseline);
}

} // namespace
