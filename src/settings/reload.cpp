#include "settings/reload.h"

#include <cstring>

#include "handles.h"
#include "settings/settings.h"

DrawingResources drawingResources;

void makeFramePen() {
    if (!drawingResources.framePen)
        drawingResources.framePen = CreatePen(PS_SOLID, 1, 0);
}

HICON loadIcon(const char* value) {
    // An empty value names no file, like an absent key.
    if (!value || !*value)
        return nullptr;
    char path[kPathSize];
    std::size_t directoryLength = std::strlen(pluginDirectory);
    std::size_t valueLength = std::strlen(value);
    HICON icon = nullptr;
    if (directoryLength + valueLength < static_cast<std::size_t>(kPathSize)) {
        std::memcpy(path, pluginDirectory, directoryLength);
        std::memcpy(path + directoryLength, value, valueLength + 1);
        icon = static_cast<HICON>(LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    } else {
        // Too long to name a file: not loaded, and the box shows as much of it as fits, marked
        // as cut.
        std::size_t kept = kPathSize - 4;
        std::size_t fromDirectory = directoryLength < kept ? directoryLength : kept;
        std::memcpy(path, pluginDirectory, fromDirectory);
        std::memcpy(path + fromDirectory, value, kept - fromDirectory);
        std::memcpy(path + kept, "...", 4);
    }
    if (!icon)
        MessageBoxA(moduleHandles.host, path, "Cannot load icon",
                    MB_OK | MB_ICONERROR | MB_TOPMOST);
    return icon;
}
