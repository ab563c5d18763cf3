// SPDX-License-Identifier: GPL-3.0-or-later
// An IPv4 or IPv6 address, its bytes in network order, as the system's socket calls take it.
#pragma once

#include <array>
#include <cstdint>

struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{}; // an IPv4 address in the first four
};
