// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HostName.h"

#include "Sockets.h" // the system's own, in its folder below this one

#include <cstring>

namespace {

constexpr int kHostNotFound = 11001;

IpAddress fromSystem(const sockaddr* address) {
    IpAddress result;
    if (address->sa_family == AF_INET6) {
        result.v6 = true;
        std::memcpy(result.bytes.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr,
                    16);
    } else {
        std::memcpy(result.bytes.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr,
                    4);
    }
    return result;
}

} // namespace

namespace HostName {

std::optional<IpAddress> Numeric(const std::string& text) {
    IpAddress address;
    if (!SocketsReady())
        return std::nullopt;
    if (::inet_pton(AF_INET, text.c_str(), address.bytes.data()) == 1)
        return address;
    address.v6 = true;
    if (::inet_pton(AF_INET6, text.c_str(), address.bytes.data()) == 1)
        return address;
    return std::nullopt;
}

// The name is passed as it is: on Windows in the ANSI code page, as the program's text is.
Found Resolve(const std::string& name) {
    if (!SocketsReady())
        return Found{kHostNotFound, {}};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list)
        return Found{kHostNotFound, {}};
    const addrinfo* chosen = nullptr;
    for (const addrinfo* each = list; each; each = each->ai_next)
        if ((each->ai_family == AF_INET || each->ai_family == AF_INET6) &&
            (!chosen || (chosen->ai_family != AF_INET && each->ai_family == AF_INET)))
            chosen = each;
    const Found found = chosen ? Found{0, fromSystem(chosen->ai_addr)} : Found{kHostNotFound, {}};
    ::freeaddrinfo(list);
    return found;
}

} // namespace HostName
