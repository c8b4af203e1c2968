// The reload: settings into histories, pens, brushes, style, font and icons. The drawing resources
// are changed only here: by makeFramePen, the reload and releaseResources.
#pragma once

#include "platform.h"
#include "shell.h"
#include "types.h"

struct DrawingResources {
    HPEN framePen;
    unsigned char styleCopy[kStyleRecordSize];
    HFONT styleFont;
    HBRUSH sctBrush;
};

const DrawingResources& drawingResources();

void makeFramePen();
void reload();
HICON loadIcon(const char* value);
// Everything the reload and makeFramePen made, the histories included; back to the loaded state.
void releaseResources();
