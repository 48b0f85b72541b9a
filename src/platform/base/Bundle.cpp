#include "platform/base/Bundle.h"

#include "platform/base/FileSystem.h"
#include "platform/base/Installation.h"

namespace platform {

namespace {

std::vector<std::filesystem::path> installedResourceDirectories() {
    return {Installation::current().resources};
}

std::string_view trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

Bundle::Bundle(std::vector<std::filesystem::path> resourceDirectories)
    : directories_(std::move(resourceDirectories)) {
    loadInfo();
}

Bundle& Bundle::main() {
    static Bundle bundle(installedResourceDirectories());
    return bundle;
}

void Bundle::setResourceDirectories(std::vector<std::filesystem::path> directories) {
    directories_ = std::move(directories);
    ++generation_;
    loadInfo();
}

void Bundle::reset() {
    setResourceDirectories(installedResourceDirectories());
}

std::optional<std::string> Bundle::infoValue(std::string_view key) const {
    const auto it = info_.find(key);
    if (it == info_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void Bundle::setInfoValue(const std::string& key, std::optional<std::string> value) {
    if (value) {
        info_[key] = std::move(*value);
    } else {
        info_.erase(key);
    }
}

std::optional<std::filesystem::path> Bundle::pathForResource(std::string_view name) const {
    const std::filesystem::path relative(name);
    if (name.empty() || relative.is_absolute()) {
        return std::nullopt;
    }
    for (const auto& part : relative) {
        if (part == "..") {
            return std::nullopt;
        }
    }
    for (const auto& dir : directories_) {
        std::filesystem::path candidate = dir / relative;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::map<std::string, std::string, std::less<>> Bundle::parseInfo(std::string_view text) {
    std::map<std::string, std::string, std::less<>> info;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trim(line.substr(0, eq));
        if (!key.empty()) {
            info[std::string(key)] = std::string(trim(line.substr(eq + 1)));
        }
    }
    return info;
}

void Bundle::loadInfo() {
    info_.clear();
    const auto path = pathForResource("Info");
    if (!path) {
        return;
    }
    if (const auto bytes = readFile(*path)) {
        info_ = parseInfo(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
}

} // namespace platform
