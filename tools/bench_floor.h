// The floors the widget is measured against: the platform calls a picture and a tick cannot do
// without, with everything else worked out beforehand.
#pragma once

#include <vector>

#include "platform.h"
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "types.h"
#include "traffic/format.h"
#include "traffic/sampler.h"

// The calls a picture cannot do without, with every text and bar height worked out beforehand:
// background, font and text mode, per graph its frame, one rectangle per visible bar and its
// caption, per label its icon, caption and value.
struct RawPicture {
    std::vector<int> bars[Channel::Count];
    char captions[Channel::Count][kTextSize];
    char values[LabelKind::Count][kTextSize];
};

// The installed settings' bars and the texts of `readings`.
RawPicture preparedFloor(const TrafficReadings& readings);
void drawFloor(HDC dc, const RawPicture& raw);

struct QueryFloor {
    DWORD(WINAPI* table)(MIB_IFTABLE*, ULONG*, BOOL);
    DWORD(WINAPI* entry)(MIB_IF_ROW2*);
    std::vector<unsigned char> buffer;
    ULONG capacity;
    MIB_IF_ROW2 row; // asks for the first row's interface, the one the default settings show
};

// The library's two queries and a buffer for its table as it is now; false when either query is
// missing or the table is empty.
bool prepareFloor(HMODULE library, QueryFloor& floor);
// `tables` table queries and the entry with the 64-bit counters.
void callFloor(QueryFloor& floor, int tables);
