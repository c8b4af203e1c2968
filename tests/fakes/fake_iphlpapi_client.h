// The test side of the scripted Iphlpapi.dll: its rows and its control entries, looked up in the
// library this process loaded under `module`.
#pragma once

#include <cstring>
#include <string>

#include "fakes/fake_iphlpapi.h"
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

// Null when `module` is not loaded or is not the scripted library.
inline FakeIfTableSetRowsFn fakeIfTableSetRows(const char* module = "Iphlpapi.dll") {
    HMODULE fake = GetModuleHandleA(module);
    return fake ? reinterpret_cast<FakeIfTableSetRowsFn>(
                      reinterpret_cast<void*>(GetProcAddress(fake, kFakeIfTableSetRows)))
                : nullptr;
}

inline FakeIfTableStatsFn fakeIfTableStats(const char* module = "Iphlpapi.dll") {
    HMODULE fake = GetModuleHandleA(module);
    return fake ? reinterpret_cast<FakeIfTableStatsFn>(
                      reinterpret_cast<void*>(GetProcAddress(fake, kFakeIfTableStats)))
                : nullptr;
}
