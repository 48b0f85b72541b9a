#pragma once

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/ui/Touch.h"

#include <expected>
#include <optional>
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

// A script: one command a line, words separated by blanks; '#' starts a comment that runs
// to the end of the line. Numbers are read strictly (no locale, no trailing characters).
class Script {
public:
    // The longest wait one command may ask for: longer ones are typing mistakes, and the
    // virtual clock would step through them frame by frame.
    static constexpr double kMaxWait = 3600.0;
    // Time between the down and the up of a tap.
    static constexpr double kTapDuration = 0.05;

    // Parses the whole text. Fails at the first faulty line with "NAME:LINE: what is
    // wrong", NAME being `sourceName` (the file as given).
    static std::expected<Script, Error> parse(std::string_view text, std::string_view sourceName);

    const std::string& sourceName() const { return sourceName_; }
    const std::vector<ScriptCommand>& commands() const { return commands_; }
    // "NAME:LINE: message", the form of every script error.
    std::string errorAt(int line, std::string_view message) const;

private:
    std::string sourceName_;
    std::vector<ScriptCommand> commands_;
};

// Strict number reading for scripts and command lines: the whole text must be the number.
std::optional<double> parseScriptNumber(std::string_view text);
std::optional<int> parseScriptInteger(std::string_view text);

} // namespace platform
