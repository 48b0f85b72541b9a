#pragma once

#include "ZevkoCore/ZVKApplicationModelDelegate.h"

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A model delegate that keeps every property name it is told, in order. Several logs can
// also write into one shared list, each entry as "tag:name", and react to each notice.
struct NoticeLog : ZVKApplicationModelDelegate {
    NoticeLog() = default;
    NoticeLog(std::string tag, std::vector<std::string>& shared)
        : tag(std::move(tag)), shared(&shared) {}

    void modelPropertyChanged(const std::string& name) override {
        names.push_back(name);
        if (shared != nullptr) {
            shared->push_back(tag + ":" + name);
        }
        if (react) {
            react(name);
        }
    }

    std::vector<std::string> names;
    std::string tag;
    std::vector<std::string>* shared = nullptr;
    std::function<void(const std::string&)> react;
};

} // namespace testsupport
