// SPDX-License-Identifier: GPL-3.0-or-later
// What a host name or address text stands for, asked of the system's resolver.
#pragma once

#include "platform/IpAddress.h"

#include <optional>
#include <string>

namespace HostName {

// The address that a numeric IPv4 or IPv6 text ("127.0.0.1", "::1") is, without a lookup.
std::optional<IpAddress> Numeric(const std::string& text);

struct Found {
    int error = 0; // 0, or the Winsock error number of a failed lookup
    IpAddress address;
};

// Looks a name up: its first IPv4 address, else its first address of any kind. Blocks until
// the resolver answers, which on a bad name server can take seconds.
Found Resolve(const std::string& name);

} // namespace HostName
