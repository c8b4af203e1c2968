// The test side of the scripted Iphlpapi.dll: its rows and its control entries, looked up in the
// library this process loaded under `module`.
#pragma once

#include <cstring>
#include <string>

#include "support/fake_iphlpapi.h"
#include "platform.h"

// A row whose description is `text`; its length is reported as is, even past the 256 bytes kept.
inline FakeIfRow fakeIfRow(std::uint32_t in, std::uint32_t out, const std::string& text) {
    FakeIfRow row{};
    row.inOctets = in;
    row.outOctets = out;
    row.descrLen = static_cast<std::uint32_t>(text.size());
    std::memcpy(row.descr, text.data(),
                text.size() < sizeof row.descr ? text.size() : sizeof row.descr);
    return row;
}

// A row of interface `index` whose GetIfEntry2 answers with 64-bit counters; its 32-bit counters
// are their low halves, as the platform gives them.
inline FakeIfRow fakeWideRow(std::uint32_t index, std::uint64_t in, std::uint64_t out,
                             const std::string& text) {
    FakeIfRow row =
        fakeIfRow(static_cast<std::uint32_t>(in), static_cast<std::uint32_t>(out), text);
    row.index = index;
    row.wide = 1;
    row.inOctets64 = in;
    row.outOctets64 = out;
    return row;
}

// A 64-bit row of interface `index` of `type`, with a connector or without.
inline FakeIfRow fakeKindRow(std::uint32_t index, std::uint64_t in, std::uint64_t out,
                             const std::string& text, std::uint32_t type, bool connector) {
    FakeIfRow row = fakeWideRow(index, in, out, text);
    row.type = type;
    row.connector = connector ? 1 : 0;
    return row;
}

// A control entry of the scripted library loaded under `module`; null when that module is not
// loaded or is not the scripted library.
template <typename F> F fakeIfTableEntry(const char* name, const char* module) {
    HMODULE fake = GetModuleHandleA(module);
    return fake ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(fake, name)))
                : nullptr;
}

inline FakeIfTableSetRowsFn fakeIfTableSetRows(const char* module = "Iphlpapi.dll") {
    return fakeIfTableEntry<FakeIfTableSetRowsFn>(kFakeIfTableSetRows, module);
}

inline FakeIfTableStatsFn fakeIfTableStats(const char* module = "Iphlpapi.dll") {
    return fakeIfTableEntry<FakeIfTableStatsFn>(kFakeIfTableStats, module);
}

inline FakeIfTableFailFn fakeIfTableFail(const char* module = "Iphlpapi.dll") {
    return fakeIfTableEntry<FakeIfTableFailFn>(kFakeIfTableFail, module);
}

inline FakeIfTable2FailFn fakeIfTable2Fail(const char* module = "Iphlpapi.dll") {
    return fakeIfTableEntry<FakeIfTable2FailFn>(kFakeIfTable2Fail, module);
}

inline FakeIfRouteSetFn fakeIfRouteSet(const char* module = "Iphlpapi.dll") {
    return fakeIfTableEntry<FakeIfRouteSetFn>(kFakeIfRouteSet, module);
}
