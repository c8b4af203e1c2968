#include "settings/paths.h"

#include <cstring>

void splitModulePath(const char* modulePath, char* directory, char* settingsFile) {
    directory[0] = '\0';
    settingsFile[0] = '\0';
    if (!modulePath)
        return;
    // A path that does not fit was cut by the platform and names some other file: no paths at
    // all is safer than reading or writing beside the wrong one.
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(kPathSize) && modulePath[length])
        ++length;
    if (length == 0 || length >= static_cast<std::size_t>(kPathSize))
        return;

    const char* slash = std::strrchr(modulePath, '\\');
    std::size_t directoryLength = slash ? static_cast<std::size_t>(slash - modulePath) + 1 : 0;
    std::memcpy(directory, modulePath, directoryLength);
    directory[directoryLength] = '\0';

    // Only a dot in the file name counts; with none the extension is appended, so that a dot in
    // a directory name never moves the settings file out of the plug-in directory.
    const char* dot = std::strrchr(modulePath + directoryLength, '.');
    std::size_t stemLength = dot ? static_cast<std::size_t>(dot - modulePath) : length;
    if (stemLength + 3 >= static_cast<std::size_t>(kPathSize))
        return;
    std::memcpy(settingsFile, modulePath, stemLength);
    std::memcpy(settingsFile + stemLength, ".rc", 4);
}
