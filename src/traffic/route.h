// The interface that carries the machine's default route, asked of the system's routing table.
#pragma once

#include <cstdint>

namespace DefaultRoute {

// The interface number of the default route; false when there is none or nobody can tell.
bool ask(std::uint32_t& index);

} // namespace DefaultRoute
