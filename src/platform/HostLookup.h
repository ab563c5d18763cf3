// SPDX-License-Identifier: GPL-3.0-or-later
// One host name looked up off the GUI thread, so that a slow name server never stalls the
// windows. The lookup runs on a thread of its own that touches nothing of the program; only
// its result comes back, as a queued call on the thread of the context object.
//
// Destroying the lookup abandons it: its result, whenever the thread finishes, is dropped.
// The thread keeps only what it shares with the lookup, so nothing it holds can dangle.
#pragma once

#include "platform/HostName.h"

#include <functional>
#include <memory>
#include <string>

class QObject;

class HostLookup {
public:
    using Done = std::function<void(const HostName::Found&)>;

    // Starts looking `name` up; `done` runs on `context`'s thread, never before the constructor
    // returns, and not at all once the lookup is destroyed. The lookup must not outlive
    // `context`.
    HostLookup(const std::string& name, QObject* context, Done done);
    ~HostLookup();

    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

private:
    struct Shared;
    static void Deliver(const std::shared_ptr<Shared>& shared, const HostName::Found& found);

    Done done_;
    std::shared_ptr<Shared> shared_;
};
