#include "platform/base/NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, const void* sender,
                                     Handler handler) {
    observers_.push_back(
        Entry{nextSerial_++, observer, std::move(name), sender, std::move(handler)});
}

void NotificationCenter::removeObserver(const void* observer) {
    std::erase_if(observers_, [&](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::post(std::string_view name, const void* sender) {
    const Notification note{std::string(name), sender};
    // A handler may add or remove observers: deliver to a snapshot, skipping entries
    // removed meanwhile.
    const std::vector<Entry> snapshot = observers_;
    for (const Entry& e : snapshot) {
        if (e.name != name || (e.sender != nullptr && e.sender != sender)) {
            continue;
        }
        const bool stillThere = std::any_of(observers_.begin(), observers_.end(),
                                            [&](const Entry& x) { return x.serial == e.serial; });
        if (stillThere) {
            e.handler(note);
        }
    }
}

} // namespace platform
