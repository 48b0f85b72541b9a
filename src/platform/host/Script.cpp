#include "platform/host/Script.h"

#include "platform/ui/Window.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// File names in messages are cut later than the script's words: the end names the file.
constexpr std::size_t kMaxNameBytes = 1024;

std::string scriptWord(std::string_view word) {
    return "'" + escapeScriptText(word) + "'";
}

// The length of the UTF-8 sequence at the start of `text` that may be shown as it is; 0
// when its first byte must be escaped (not UTF-8, or a C1 control character).
std::size_t printableSequence(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead >= 0x20 && lead < 0x7f) {
        return lead == '\\' || lead == '\'' ? 0 : 1;
    }
    const std::size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                               : lead >= 0xe0 && lead <= 0xef ? 3
                               : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                              : 0;
    if (length == 0 || text.size() < length || (lead == 0xc2 && byte(1) < 0xa0)) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80) {
            return 0;
        }
    }
    return length;
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
                error = "finger ID " + scriptWord(words_[1]) + " of " + scriptWord(name) +
                        " is not a whole number from 0 up";
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
                error = "'wait' takes seconds from 0 to 3600, not " + scriptWord(words_[1]);
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
                error =
                    "'rotate' takes a device orientation from 1 to 6, not " + scriptWord(words_[1]);
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
                        scriptWord(words_[1]);
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
        // Only the host's own commands come here: the name is one of them.
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
        const std::string name = scriptWord(words_[0]);
        if (!x) {
            error = "X " + scriptWord(xs) + " of " + name + " is not a number";
            return std::nullopt;
        }
        if (!y) {
            error = "Y " + scriptWord(ys) + " of " + name + " is not a number";
            return std::nullopt;
        }
        // A finger can only touch the glass: anything else is a mistake in the script.
        if (*x < 0.0 || *y < 0.0 || *x > static_cast<double>(Screen::kWidth) ||
            *y > static_cast<double>(Screen::kHeight)) {
            error = "point (" + escapeScriptText(xs) + ", " + escapeScriptText(ys) +
                    ") is off the 320 x 480 screen";
            return std::nullopt;
        }
        return Point{static_cast<float>(*x), static_cast<float>(*y)};
    }

    const std::vector<std::string_view>& words_;
};

} // namespace

std::string escapeScriptText(std::string_view text, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    std::size_t i = 0;
    while (i < text.size() && i < maxBytes) {
        const std::string_view rest = text.substr(i);
        if (const std::size_t n = printableSequence(rest); n > 0) {
            shown.append(rest.substr(0, n));
            i += n;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[i++]);
        switch (byte) {
        case '\n':
            shown += "\\n";
            break;
        case '\t':
            shown += "\\t";
            break;
        case '\r':
            shown += "\\r";
            break;
        case '\0':
            shown += "\\0";
            break;
        case '\\':
            shown += "\\\\";
            break;
        case '\'':
            shown += "\\'";
            break;
        default:
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        }
    }
    if (i < text.size()) {
        shown += "...";
    }
    return shown;
}

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

std::expected<std::string, Error> Script::read(const std::string& path) {
    const bool standardInput = path == "-";
    const std::string name =
        standardInput ? "standard input" : "'" + escapeScriptText(path, kMaxNameBytes) + "'";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return failure("cannot read the script " + name + ": " + std::strerror(errno));
    }
    const auto done = [fd, standardInput](std::expected<std::string, Error> result) {
        if (!standardInput) {
            ::close(fd);
        }
        return result;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return done(failure("cannot read the script " + name + ": " + std::strerror(errno)));
    }
    // A device or a folder has no end to read to, or no text.
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
        return done(failure("the script " + name + " is not a file or a pipe"));
    }
    const std::string tooLarge = "the script " + name + " is larger than " +
                                 std::to_string(kMaxBytes / (1024 * 1024)) + " MB";
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > kMaxBytes) {
        return done(failure(tooLarge));
    }
    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return done(failure("cannot read the script " + name + ": " + std::strerror(errno)));
        }
        if (n == 0) {
            return done(std::move(text));
        }
        if (text.size() + static_cast<std::size_t>(n) > kMaxBytes) {
            return done(failure(tooLarge));
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

std::expected<Script, Error> Script::parse(std::string_view text, std::string_view sourceName,
                                           const ScriptCommandCheck& check) {
    Script script;
    script.sourceName_ = escapeScriptText(sourceName, kMaxNameBytes);
    int lineNumber = 0;
    int terminatedAt = 0;
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
        if (terminatedAt > 0) {
            return failure(script.errorAt(lineNumber, "nothing may follow 'terminate' (line " +
                                                          std::to_string(terminatedAt) + ")"));
        }
        LineParser parser(words);
        auto action = parser.parse();
        if (!action) {
            return failure(script.errorAt(lineNumber, parser.error));
        }
        const auto* command = std::get_if<ScriptCommand::Application>(&*action);
        if (command != nullptr && check) {
            if (const auto valid = check(command->name, command->args); !valid) {
                return failure(script.errorAt(lineNumber, valid.error().message));
            }
        }
        if (std::holds_alternative<ScriptCommand::Terminate>(*action)) {
            terminatedAt = lineNumber;
        }
        script.commands_.push_back(ScriptCommand{lineNumber, std::move(*action)});
    }
    return script;
}

} // namespace platform
