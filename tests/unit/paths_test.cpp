#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/paths.h"

namespace {

struct PathRow {
    std::string module, directory, settings;
};

TEST(SplitModulePath, DirectoryAndSettingsFile) {
    const std::string deep = "C:\\" + std::string(240, 'd') + "\\";
    const PathRow rows[] = {
        {"C:\\Shell\\plugins\\Velnor\\Velnor.dll", "C:\\Shell\\plugins\\Velnor\\",
         "C:\\Shell\\plugins\\Velnor\\Velnor.rc"},
        {"C:\\Shell\\other.dll", "C:\\Shell\\", "C:\\Shell\\other.rc"},
        {"C:\\a.b\\net.mon.dll", "C:\\a.b\\", "C:\\a.b\\net.mon.rc"},
        // No extension: a dot in a directory name must not pull the file out of its folder.
        {"C:\\a.b\\Velnor", "C:\\a.b\\", "C:\\a.b\\Velnor.rc"},
        {"Velnor.dll", "", "Velnor.rc"},
        {"Velnor", "", "Velnor.rc"},
        {"C:\\Shell\\", "C:\\Shell\\", "C:\\Shell\\.rc"},
        {"", "", ""},
        // Longest path that fits, and the ones that do not.
        {deep + std::string(255 - deep.size(), 'v') + ".dll", deep,
         deep + std::string(255 - deep.size(), 'v') + ".rc"},
        {deep + std::string(256 - deep.size(), 'v'), deep,
         deep + std::string(256 - deep.size(), 'v') + ".rc"},
        {deep + std::string(257 - deep.size(), 'v'), deep, ""},
        {deep + std::string(257 - deep.size(), 'v') + ".dll", "", ""},
        {"C:\\" + std::string(1 << 20, 'x') + ".dll", "", ""},
    };
    for (const PathRow& row : rows) {
        SCOPED_TRACE(row.module.substr(0, 80));
        std::array<char, kPathSize> directory, settings;
        directory.fill('#');
        settings.fill('#');
        splitModulePath(row.module.c_str(), directory.data(), settings.data());
        EXPECT_EQ(directory.data(), row.directory);
        EXPECT_EQ(settings.data(), row.settings);
    }
}

} // namespace
