#pragma once

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/ui/Touch.h"

#include <cstddef>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// One command of a scripted run. The host carries out touches, waits, rotations,
// screenshots and terminate itself; every other command goes to the application.
struct ScriptCommand {
    struct Touch {
        TouchPhase phase = TouchPhase::Began; // Began, Moved or Ended
        int id = 0;
        Point location;
    };
    struct Tap {
        Point location;
    };
    struct Wait {
        double seconds = 0.0;
    };
    struct Rotate {
        int orientation = 1;
    };
    struct Screenshot {
        std::string path;
    };
    struct Terminate {};
    // Handed to the application as it stands: its name and its words.
    struct Application {
        std::string name;
        std::vector<std::string> args;
    };
    using Action = std::variant<Touch, Tap, Wait, Rotate, Screenshot, Terminate, Application>;

    int line = 0; // 1-based line in the script text
    Action action;
};

// Says whether a command the host hands to the application (press, slider, ...) is well
// formed, before anything runs: "unknown command 'NAME'" or what is wrong with its words.
using ScriptCommandCheck = std::function<std::expected<void, Error>(
    std::string_view name, std::span<const std::string> args)>;

// A script: one command a line, words separated by blanks; '#' starts a comment that runs
// to the end of the line. Numbers are read strictly (no locale, no trailing characters).
class Script {
public:
    // The longest wait one command may ask for: longer ones are typing mistakes, and the
    // virtual clock would step through them frame by frame.
    static constexpr double kMaxWait = 3600.0;
    // Time between the down and the up of a tap.
    static constexpr double kTapDuration = 0.05;

    // The largest script read: a batch of a million strokes is far smaller, and what is
    // read is held whole.
    static constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;

    // Parses the whole text. Fails at the first faulty line with "NAME:LINE: what is
    // wrong", NAME being `sourceName` (the file as given). Commands for the application go
    // through `check` when one is given; nothing may follow `terminate`.
    static std::expected<Script, Error> parse(std::string_view text, std::string_view sourceName,
                                              const ScriptCommandCheck& check = {});
    // The text of a script file, or of standard input for "-": a regular file or a pipe of
    // at most kMaxBytes.
    static std::expected<std::string, Error> read(const std::string& path);

    const std::string& sourceName() const { return sourceName_; }
    const std::vector<ScriptCommand>& commands() const { return commands_; }
    // "NAME:LINE: message", the form of every script error.
    std::string errorAt(int line, std::string_view message) const;

private:
    std::string sourceName_;
    std::vector<ScriptCommand> commands_;
};

// `text` as an error message may show it: control characters (C0, DEL and C1), quotes,
// backslashes and bytes that are not UTF-8 escaped as \xNN (\n, \t, \r, \0 by name),
// and cut after `maxBytes` of the text with "..." when it is longer.
std::string escapeScriptText(std::string_view text, std::size_t maxBytes = 64);

// Strict number reading for scripts and command lines: the whole text must be the number.
std::optional<double> parseScriptNumber(std::string_view text);
std::optional<int> parseScriptInteger(std::string_view text);

} // namespace platform
