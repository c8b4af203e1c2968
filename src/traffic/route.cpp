#include "traffic/route.h"

#include <cstring>

#include "platform.h"
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

namespace {

typedef DWORD(WINAPI* GetBestInterfaceExFn)(sockaddr* destination, DWORD* index);

// An address outside every network a machine is attached to: only the default route leads there.
// It is a documentation address, so the answer is the route's and no host's; nothing is sent.
constexpr unsigned char kFarAddress[4] = {192, 0, 2, 1};

} // namespace

namespace DefaultRoute {

bool ask(std::uint32_t& index) {
    // The library the interface table loaded; looked up at each question (every few seconds at
    // most), so that no entry outlives a stop that unloads it.
    HMODULE library = GetModuleHandleA("Iphlpapi.dll");
    GetBestInterfaceExFn best =
        library ? reinterpret_cast<GetBestInterfaceExFn>(
                      reinterpret_cast<void*>(GetProcAddress(library, "GetBestInterfaceEx")))
                : nullptr;
    if (best == nullptr)
        return false;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    std::memcpy(&destination.sin_addr, kFarAddress, sizeof kFarAddress);
    DWORD found = 0;
    if (best(reinterpret_cast<sockaddr*>(&destination), &found) != NO_ERROR || found == 0)
        return false;
    index = found;
    return true;
}

} // namespace DefaultRoute
