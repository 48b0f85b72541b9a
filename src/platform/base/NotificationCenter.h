#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Notification {
    std::string name;
    const void* sender = nullptr;
};

// Broadcasts named notifications to registered observers, synchronously, in the
// order of registration.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // `sender` == nullptr observes the name from any sender. Neither `observer` nor
    // `sender` is dereferenced; they only identify.
    void addObserver(const void* observer, std::string name, const void* sender, Handler handler);
    void removeObserver(const void* observer);
    void post(std::string_view name, const void* sender);
    // Forgets every observer (for a fresh start of the application in one process).
    void reset() { observers_.clear(); }

private:
    struct Entry {
        std::uint64_t serial;
        const void* observer;
        std::string name;
        const void* sender;
        Handler handler;
    };
    std::vector<Entry> observers_;
    std::uint64_t nextSerial_ = 0;
};

} // namespace platform
