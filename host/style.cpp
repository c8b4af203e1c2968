// The shell's style record, the font made from it and the gradient it paints.
#include "style.h"

#include <cstring>

#include "host.h"

namespace {

HostStyle initialStyle() {
    HostStyle style{};
    style.gradientTop = RGB(0x44, 0x55, 0x77);
    style.gradientBottom = RGB(0x11, 0x18, 0x28);
    style.borderColor = RGB(0x88, 0x88, 0x88);
    style.borderWidth = 1;
    style.fontHeight = 12;
    style.fontWeight = FW_NORMAL;
    style.textColor = RGB(0xFF, 0xFF, 0xFF);
    std::strcpy(style.fontFace, "Tahoma");
    return style;
}

HostStyle currentStyle = initialStyle();

// A plug-in hands back a record it copied, or one of its own: read it only within its 300 bytes
// and take nothing in it for granted.
const HostStyle& recordOf(const void* style) {
    return style ? *static_cast<const HostStyle*>(style) : currentStyle;
}

COLOR16 channel16(BYTE value) {
    return static_cast<COLOR16>(value << 8);
}

} // namespace

HostStyle& hostStyle() {
    return currentStyle;
}

void hostResetStyle() {
    currentStyle = initialStyle();
}

extern "C" void* GetSettingPtr(int which) {
    void* record = which == 1 ? &currentStyle : nullptr;
    hostLog("GetSettingPtr %d -> %s", which, hostHex(record).c_str());
    return record;
}

extern "C" HFONT CreateStyleFont(const void* style) {
    const HostStyle& record = recordOf(style);
    LOGFONTA font{};
    std::int32_t height = record.fontHeight;
    font.lfHeight = -(height > 0 && height <= 1000 ? height : 12);
    std::int32_t weight = record.fontWeight;
    font.lfWeight = weight >= 0 && weight <= 1000 ? weight : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    std::memcpy(font.lfFaceName, record.fontFace, kStyleFaceSize - 1);
    font.lfFaceName[kStyleFaceSize - 1] = '\0';
    HFONT result = CreateFontIndirectA(&font);
    hostLog("CreateStyleFont %s -> %s", hostHex(style).c_str(), hostHex(result).c_str());
    return result;
}

extern "C" void MakeStyleGradient(HDC dc, const RECT* rect, const void* style, bool bordered) {
    if (rect)
        hostLog("MakeStyleGradient %s %ld %ld %ld %ld %s %d", hostHex(dc).c_str(), rect->left,
                rect->top, rect->right, rect->bottom, hostHex(style).c_str(), bordered ? 1 : 0);
    else
        hostLog("MakeStyleGradient %s null %s %d", hostHex(dc).c_str(), hostHex(style).c_str(),
                bordered ? 1 : 0);
    if (!dc || !rect || rect->right <= rect->left || rect->bottom <= rect->top)
        return;
    const HostStyle& record = recordOf(style);
    TRIVERTEX corners[2] = {};
    corners[0].x = rect->left;
    corners[0].y = rect->top;
    corners[0].Red = channel16(GetRValue(record.gradientTop));
    corners[0].Green = channel16(GetGValue(record.gradientTop));
    corners[0].Blue = channel16(GetBValue(record.gradientTop));
    corners[1].x = rect->right;
    corners[1].y = rect->bottom;
    corners[1].Red = channel16(GetRValue(record.gradientBottom));
    corners[1].Green = channel16(GetGValue(record.gradientBottom));
    corners[1].Blue = channel16(GetBValue(record.gradientBottom));
    GRADIENT_RECT span = {0, 1};
    GradientFill(dc, corners, 2, &span, 1, GRADIENT_FILL_RECT_V);

    if (!bordered || record.borderWidth <= 0)
        return;
    HBRUSH border = CreateSolidBrush(record.borderColor);
    if (!border)
        return;
    RECT frame = *rect;
    for (std::int32_t i = 0;
         i < record.borderWidth && frame.right > frame.left && frame.bottom > frame.top; ++i) {
        FrameRect(dc, &frame, border);
        InflateRect(&frame, -1, -1);
    }
    DeleteObject(border);
}
