// The stand-in shell's style record: the 300 bytes that GetSettingPtr(1) hands out. Only the text
// colour's place is part of the contract with plug-ins; the rest is this shell's own layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"
#include "shell.h"

constexpr int kStyleFaceSize = 32;

struct HostStyle {
    COLORREF gradientTop;
    COLORREF gradientBottom;
    COLORREF borderColor;
    std::int32_t borderWidth;
    std::int32_t fontHeight; // character height in pixels
    std::int32_t fontWeight;
    COLORREF textColor;
    char fontFace[kStyleFaceSize];
    unsigned char reserved[kStyleRecordSize - 28 - kStyleFaceSize];
};

static_assert(sizeof(HostStyle) == kStyleRecordSize, "the record is 300 bytes");
static_assert(offsetof(HostStyle, textColor) == kStyleTextColorOffset, "text colour at 24");

// The shell's current style; the driver and tests change it to announce a new look.
HostStyle& hostStyle();
// Back to the look the shell starts with.
void hostResetStyle();
