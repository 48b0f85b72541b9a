#include "platform/host/Script.h"

#include "platform/ui/Window.h"

#include <charconv>
#include <cmath>

namespace platform {

namespace {

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i == line.size() || line[i] == '#') {
            break;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string quoted(std::string_view word) {
    return "'" + std::string(word) + "'";
}

bool endsWithPng(std::string_view path) {
    if (path.size() <= 4) {
        return false;
    }
    std::string_view ext = path.substr(path.size() - 4);
    const char* png = ".png";
    for (std::size_t i = 0; i < 4; ++i) {
        const char c =
            ext[i] >= 'A' && ext[i] <= 'Z' ? static_cast<char>(ext[i] - 'A' + 'a') : ext[i];
        if (c != png[i]) {
            return false;
        }
    }
    return true;
}

// Reads one command's words into an action, or says what is wrong with them.
class LineParser {
public:
    LineParser(const std::vector<std::string_view>& words) : words_(words) {}

    std::optional<ScriptCommand::Action> parse() {
        const std::string_view name = words_[0];
        if (name == "down" || name == "move" || name == "up") {
            if (!expectArgs("ID X Y", 3)) {
                return std::nullopt;
            }
            ScriptCommand::Touch touch;
            touch.phase = name == "down"   ? TouchPhase::Began
                          : name == "move" ? TouchPhase::Moved
                                           : TouchPhase::Ended;
            const auto id = parseScriptInteger(words_[1]);
            if (!id || *id < 0) {
                error = "finger ID " + quoted(words_[1]) + " of '" + std::string(name) +
                        "' is not a whole number from 0 up";
                return std::nullopt;
            }
            touch.id = *id;
            const auto location = point(1);
            if (!location) {
                return std::nullopt;
            }
            touch.location = *location;
            return touch;
        }
        if (name == "tap") {
            if (!expectArgs("X Y", 2)) {
                return std::nullopt;
            }
            const auto location = point(0);
            if (!location) {
                return std::nullopt;
            }
            return ScriptCommand::Tap{*location};
        }
        if (name == "wait") {
            if (!expectArgs("SECONDS", 1)) {
                return std::nullopt;
            }
            const auto seconds = parseScriptNumber(words_[1]);
            if (!seconds || *seconds < 0.0 || *seconds > Script::kMaxWait) {
                error = "'wait' takes seconds from 0 to 3600, not " + quoted(words_[1]);
                return std::nullopt;
            }
            return ScriptCommand::Wait{*seconds};
        }
        if (name == "rotate") {
            if (!expectArgs("N", 1)) {
                return std::nullopt;
            }
            const auto orientation = parseScriptInteger(words_[1]);
            if (!orientation || *orientation < 1 || *orientation > 6) {
                error = "'rotate' takes a device orientation from 1 to 6, not " + quoted(words_[1]);
                return std::nullopt;
            }
            return ScriptCommand::Rotate{*orientation};
        }
        if (name == "screenshot") {
            if (!expectArgs("FILE.png", 1)) {
                return std::nullopt;
            }
            if (!endsWithPng(words_[1])) {
                error = "'screenshot' writes PNG: the file name must end in .png, not " +
                        quoted(words_[1]);
                return std::nullopt;
            }
            return ScriptCommand::Screenshot{std::string(words_[1])};
        }
        if (name == "terminate") {
            if (!expectArgs("", 0)) {
                return std::nullopt;
            }
            return ScriptCommand::Terminate{};
        }
        ScriptCommand::Application command;
        command.name = std::string(name);
        for (std::size_t i = 1; i < words_.size(); ++i) {
            command.args.emplace_back(words_[i]);
        }
        return command;
    }

    std::string error;

private:
    bool expectArgs(std::string_view usage, std::size_t count) {
        const std::size_t given = words_.size() - 1;
        if (given == count) {
            return true;
        }
        const std::string name(words_[0]);
        if (count == 0) {
            error = "'" + name + "' takes no arguments";
        } else if (given < count) {
            error = "'" + name + "' is missing arguments: " + name + " " + std::string(usage);
        } else {
            error = "'" + name + "' has too many arguments: " + name + " " + std::string(usage);
        }
        return false;
    }

    // The two words from args index `first` on, as a point on the portrait screen.
    std::optional<Point> point(std::size_t first) {
        const std::string_view xs = words_[first + 1];
        const std::string_view ys = words_[first + 2];
        const auto x = parseScriptNumber(xs);
        const auto y = parseScriptNumber(ys);
        const std::string name(words_[0]);
        if (!x) {
            error = "X " + quoted(xs) + " of '" + name + "' is not a number";
            return std::nullopt;
        }
        if (!y) {
            error = "Y " + quoted(ys) + " of '" + name + "' is not a number";
            return std::nullopt;
        }
        // A finger can only touch the glass: anything else is a mistake in the script.
        if (*x < 0.0 || *y < 0.0 || *x > static_cast<double>(Screen::kWidth) ||
            *y > static_cast<double>(Screen::kHeight)) {
            error = "point (" + std::string(xs) + ", " + std::string(ys) +
                    ") is off the 320 x 480 screen";
            return std::nullopt;
        }
        return Point{static_cast<float>(*x), static_cast<float>(*y)};
    }

    const std::vector<std::string_view>& words_;
};

} // namespace

std::optional<double> parseScriptNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseScriptInteger(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::string Script::errorAt(int line, std::string_view message) const {
    return sourceName_ + ":" + std::to_string(line) + ": " + std::string(message);
}

std::expected<Script, Error> Script::parse(std::string_view text, std::string_view sourceName) {
    Script script;
    script.sourceName_ = std::string(sourceName);
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string_view> words = splitWords(line);
        if (words.empty()) {
            continue;
        }
        LineParser parser(words);
        auto action = parser.parse();
        if (!action) {
            return failure(script.errorAt(lineNumber, parser.error));
        }
        script.commands_.push_back(ScriptCommand{lineNumber, std::move(*action)});
    }
    return script;
}

} // namespace platform
