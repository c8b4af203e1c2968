// The control interface of the scripted Iphlpapi.dll (fake_iphlpapi.cpp). A test loads the fake
// (it sits beside the test and is preferred with WINEDLLOVERRIDES=iphlpapi=n,b) and looks these
// up with GetProcAddress; all are cdecl and exported undecorated.
#pragma once

#include <cstdint>

constexpr int kFakeIfRowsMax = 64;

struct FakeIfRow {
    std::uint32_t inOctets;
    std::uint32_t outOctets;
    std::uint32_t descrLen; // reported as is, even beyond the 256 stored bytes
    unsigned char descr[256];
    std::uint32_t index; // the interface's number (dwIndex); 0 gives the row's position + 1
    std::uint32_t wide;  // nonzero: GetIfEntry2 and GetIfTable2 give the interface the counts below
    std::uint64_t inOctets64;
    std::uint64_t outOctets64;
    std::uint32_t type;      // the interface type of both tables; 0 gives Ethernet (6)
    std::uint32_t connector; // nonzero: the 64-bit row's flags report a connector
    std::uint32_t filter;    // nonzero: and mark the row as a filter
};

struct FakeIfStats {
    std::uint32_t calls;          // GetIfTable calls since the last reset
    std::uint32_t filled;         // of those, calls that filled the table
    std::uint32_t oversized;      // calls whose size exceeded the block the buffer lives in
    std::uint32_t lastSize;       // the size handed in by the last call
    std::uint32_t scriptErrors;   // script lines that were not rows
    std::uint32_t entryCalls;     // GetIfEntry2 calls
    std::uint32_t wideTableCalls; // GetIfTable2 calls
    std::uint32_t routeCalls;     // GetIpForwardTable calls
};

// Replaces the rows (at most kFakeIfRowsMax are kept) and clears the statistics.
typedef void (*FakeIfTableSetRowsFn)(const FakeIfRow* rows, int count);
typedef void (*FakeIfTableStatsFn)(FakeIfStats* stats);
// The next `calls` GetIfTable calls report a failure and leave the table as it was (rows set
// meanwhile do not end them).
typedef void (*FakeIfTableFailFn)(int calls);
// The next `calls` GetIfTable2 calls report a failure while GetIfTable goes on answering.
typedef void (*FakeIfTable2FailFn)(int calls);
// The default route GetIpForwardTable lists from now on: interface `index`, or no route for 0 (the
// start).
typedef void (*FakeIfRouteSetFn)(std::uint32_t index);

constexpr const char* kFakeIfTableSetRows = "fakeIfTableSetRows";
constexpr const char* kFakeIfTableStats = "fakeIfTableStats";
constexpr const char* kFakeIfTableFail = "fakeIfTableFail";
constexpr const char* kFakeIfTable2Fail = "fakeIfTable2Fail";
constexpr const char* kFakeIfRouteSet = "fakeIfRouteSet";
constexpr const char* kFakeIfTableScriptVariable = "VELNOR_FAKE_IFTABLE";
