// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HostLookup.h"

#include "platform/Guarded.h"

#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace {

constexpr int kHostNotFound = 11001;

} // namespace

// What the lookup and its thread share. `owner` is cleared, under the mutex, when the lookup
// is abandoned; the thread posts its result only while it is set, so `context` is alive then.
struct HostLookup::Shared {
    std::mutex mutex;
    HostLookup* owner;
    QObject* context;
};

HostLookup::HostLookup(const std::string& name, QObject* context, Done done)
    : done_(std::move(done)), shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
    shared_->context = context;
    const auto post = [](const std::shared_ptr<Shared>& shared, const HostName::Found& found) {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->owner)
            QMetaObject::invokeMethod(
                shared->context, [shared, found] { Guarded([&] { Deliver(shared, found); }); },
                Qt::QueuedConnection);
    };
    try {
        std::thread([shared = shared_, name, post] {
            post(shared, HostName::Resolve(name));
        }).detach();
    } catch (const std::system_error&) { // no thread to be had: the name stays unknown
        post(shared_, HostName::Found{kHostNotFound, {}});
    }
}

HostLookup::~HostLookup() {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owner = nullptr;
}

// On the context's thread, the only one that abandons lookups: an owner still set here stays
// alive until `done` is called. `done` is moved out first, since it may destroy the lookup.
void HostLookup::Deliver(const std::shared_ptr<Shared>& shared, const HostName::Found& found) {
    HostLookup* owner;
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        owner = std::exchange(shared->owner, nullptr);
    }
    if (!owner)
        return;
    const Done done = std::move(owner->done_);
    done(found);
}
