#pragma once

#include "platform/base/Error.h"

#include <expected>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Carries out the script commands the host does not know itself (press, pick, slider…).
class ScriptCommandDelegate {
public:
    virtual ~ScriptCommandDelegate() = default;
    // Runs one command with its words after the name. Fails, saying why in one line
    // without the script's name and line, when the command is unknown, its arguments are
    // wrong or it could not be done; "unknown command 'NAME'" for a name it does not know.
    virtual std::expected<void, Error> runCommand(std::string_view name,
                                                  std::span<const std::string> args) = 0;
};

} // namespace platform
