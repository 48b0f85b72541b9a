// Feeds arbitrary bytes to the script reader with the editor's command check, as
// `--script` would read them, and checks what it answers: commands in line order with
// their values in range and nothing after `terminate`, or one short error line naming the
// faulty line with the script's bytes escaped.
#include "Pixello/PixelloHostDelegate.h"
#include "fuzz/FuzzTarget.h"
#include "platform/base/Screen.h"
#include "platform/host/Script.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const char* const kSeeds[] = {
    ("wait 0.5\ndown 1 100 200\nmove 1 130 210\nup 1 190 230\nwait 0.5\nscreenshot /tmp/s.png\n"
     "press effect\nwait 0.5\npress bump\ndown 1 120 220\ndown 2 200 300\nup 1 100 200\n"
     "up 2 220 320\nexport /tmp/p.png\n"),
    ("# settings\npress settings\nslider smudgePower 0.5\nslider pinchPower 1e1\nback\r\n"
     "rotate 3\ntap 320 480\ndump-grid /tmp/grid.txt\nterminate\n"),
    "press pick\nwait 1\npick /tmp/a.jpg\npress camera\nshutter\ncancel\n\t  # end",
};

} // namespace

std::vector<std::string> fuzzSeeds() {
    return {std::begin(kSeeds), std::end(kSeeds)};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto script = platform::Script::parse(text, "fuzz", PixelloHostDelegate::checkCommand);
    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (!script) {
        const std::string& message = script.error().message;
        // "fuzz:LINE: ..." with a line of the text, in one short printable line.
        fuzzCheck(message.starts_with("fuzz:") && message.size() < 512);
        const int line = std::atoi(message.c_str() + 5);
        fuzzCheck(line >= 1 && line <= lines);
        fuzzCheck(std::none_of(message.begin(), message.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        }));
        return 0;
    }
    int previous = 0;
    bool terminated = false;
    for (const platform::ScriptCommand& command : script->commands()) {
        fuzzCheck(command.line > previous && command.line <= lines && !terminated);
        previous = command.line;
        using Command = platform::ScriptCommand;
        if (const auto* touch = std::get_if<Command::Touch>(&command.action)) {
            fuzzCheck(touch->id >= 0 && touch->location.x >= 0.0f && touch->location.y >= 0.0f &&
                      touch->location.x <= platform::Screen::kWidth &&
                      touch->location.y <= platform::Screen::kHeight);
        } else if (const auto* wait = std::get_if<Command::Wait>(&command.action)) {
            fuzzCheck(wait->seconds >= 0.0 && wait->seconds <= platform::Script::kMaxWait);
        }
        terminated = std::holds_alternative<Command::Terminate>(command.action);
    }
    return 0;
}
