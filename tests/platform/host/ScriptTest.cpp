#include "platform/host/Script.h"

#include "platform/host/Host.h"

#include <gtest/gtest.h>

namespace {

using platform::Script;
using platform::ScriptCommand;

std::string errorOf(const std::string& text) {
    const auto script = Script::parse(text, "script.txt");
    EXPECT_FALSE(script.has_value()) << text;
    return script ? std::string() : script.error().message;
}

TEST(ScriptParsing, ReadsEveryCommandWithItsLineNumber) {
    const auto script = Script::parse("# set up\n"
                                      "\n"
                                      "down 0 10 20.5\r\n"
                                      "  move\t0 11 21   # along\n"
                                      "up 0 12 22\n"
                                      "tap 320 480\n"
                                      "wait 0.25\n"
                                      "rotate 6\n"
                                      "screenshot out/a.PNG\n"
                                      "press effect\n"
                                      "slider smudgePower 0.5\n"
                                      "terminate",
                                      "script.txt");
    ASSERT_TRUE(script) << script.error().message;
    const auto& c = script->commands();
    ASSERT_EQ(c.size(), 10u);
    EXPECT_EQ(c[0].line, 3);
    const auto& down = std::get<ScriptCommand::Touch>(c[0].action);
    EXPECT_EQ(down.phase, platform::TouchPhase::Began);
    EXPECT_EQ(down.id, 0);
    EXPECT_EQ(down.location, (platform::Point{10.0f, 20.5f}));
    EXPECT_EQ(c[1].line, 4);
    EXPECT_EQ(std::get<ScriptCommand::Touch>(c[1].action).phase, platform::TouchPhase::Moved);
    EXPECT_EQ(std::get<ScriptCommand::Touch>(c[2].action).phase, platform::TouchPhase::Ended);
    EXPECT_EQ(std::get<ScriptCommand::Tap>(c[3].action).location,
              (platform::Point{320.0f, 480.0f}));
    EXPECT_EQ(std::get<ScriptCommand::Wait>(c[4].action).seconds, 0.25);
    EXPECT_EQ(std::get<ScriptCommand::Rotate>(c[5].action).orientation, 6);
    EXPECT_EQ(std::get<ScriptCommand::Screenshot>(c[6].action).path, "out/a.PNG");
    const auto& press = std::get<ScriptCommand::Application>(c[7].action);
    EXPECT_EQ(press.name, "press");
    EXPECT_EQ(press.args, (std::vector<std::string>{"effect"}));
    EXPECT_EQ(std::get<ScriptCommand::Application>(c[8].action).args,
              (std::vector<std::string>{"smudgePower", "0.5"}));
    EXPECT_TRUE(std::holds_alternative<ScriptCommand::Terminate>(c[9].action));
    EXPECT_EQ(c[9].line, 12);
}

TEST(ScriptParsing, NamesTheLineAndWhatIsWrong) {
    EXPECT_EQ(errorOf("tap 1 1\n\ndown 0 10\n"),
              "script.txt:3: 'down' is missing arguments: down ID X Y");
    EXPECT_EQ(errorOf("tap 1 2 3\n"), "script.txt:1: 'tap' has too many arguments: tap X Y");
    EXPECT_EQ(errorOf("wait\n"), "script.txt:1: 'wait' is missing arguments: wait SECONDS");
    EXPECT_EQ(errorOf("terminate now\n"), "script.txt:1: 'terminate' takes no arguments");
    EXPECT_EQ(errorOf("screenshot\n"),
              "script.txt:1: 'screenshot' is missing arguments: screenshot FILE.png");
    EXPECT_EQ(errorOf("screenshot shot.jpg\n"),
              "script.txt:1: 'screenshot' writes PNG: the file name must end in .png, not "
              "'shot.jpg'");
    EXPECT_EQ(errorOf("down x 1 1\n"),
              "script.txt:1: finger ID 'x' of 'down' is not a whole number from 0 up");
    EXPECT_EQ(errorOf("down -1 1 1\n"),
              "script.txt:1: finger ID '-1' of 'down' is not a whole number from 0 up");
    EXPECT_EQ(errorOf("move 1 1,5 2\n"), "script.txt:1: X '1,5' of 'move' is not a number");
    EXPECT_EQ(errorOf("up 1 1 2px\n"), "script.txt:1: Y '2px' of 'up' is not a number");
    EXPECT_EQ(errorOf("tap 321 10\n"), "script.txt:1: point (321, 10) is off the 320 x 480 screen");
    EXPECT_EQ(errorOf("tap 10 -0.5\n"),
              "script.txt:1: point (10, -0.5) is off the 320 x 480 screen");
    EXPECT_EQ(errorOf("wait -1\n"), "script.txt:1: 'wait' takes seconds from 0 to 3600, not '-1'");
    EXPECT_EQ(errorOf("wait 3601\n"),
              "script.txt:1: 'wait' takes seconds from 0 to 3600, not '3601'");
    EXPECT_EQ(errorOf("rotate 0\n"),
              "script.txt:1: 'rotate' takes a device orientation from 1 to 6, not '0'");
    EXPECT_EQ(errorOf("rotate 2.0\n"),
              "script.txt:1: 'rotate' takes a device orientation from 1 to 6, not '2.0'");
}

TEST(ScriptParsing, NumbersAreReadStrictly) {
    using platform::parseScriptInteger;
    using platform::parseScriptNumber;
    EXPECT_EQ(parseScriptNumber("12.5"), 12.5);
    EXPECT_EQ(parseScriptNumber("-3"), -3.0);
    EXPECT_EQ(parseScriptNumber(".5"), 0.5);
    EXPECT_EQ(parseScriptNumber("1e2"), 100.0);
    for (const char* bad :
         {"", " 1", "1 ", "+1", "1,5", "0x10", "nan", "inf", "-inf", "1e999", "1.5.2", "--1"}) {
        EXPECT_FALSE(parseScriptNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseScriptInteger("42"), 42);
    EXPECT_EQ(parseScriptInteger("-7"), -7);
    for (const char* bad : {"", "4.0", "4x", "+4", "99999999999", " 4"}) {
        EXPECT_FALSE(parseScriptInteger(bad).has_value()) << bad;
    }
}

TEST(HostOptionParsing, TakesItsOwnOptionsAndChecksThem) {
    using Parsed = platform::HostOptions::Parsed;
    const char* args[] = {"app",        "--headless", "--script",  "-",       "--scale", "3",
                          "--data-dir", "d",          "--scale=9", "--scale", "--script"};
    char** argv = const_cast<char**>(args);
    const int argc = static_cast<int>(std::size(args));
    using platform::failure;
    platform::HostOptions options;
    int i = 1;
    EXPECT_EQ(options.parseArgument(i, argc, argv), Parsed::taken);
    EXPECT_TRUE(options.headless);
    i = 2;
    EXPECT_EQ(options.parseArgument(i, argc, argv), Parsed::taken);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(options.script, "-");
    i = 4;
    EXPECT_EQ(options.parseArgument(i, argc, argv), Parsed::taken);
    EXPECT_EQ(options.scale, 3);
    i = 6;
    EXPECT_EQ(options.parseArgument(i, argc, argv), Parsed::notMine);
    EXPECT_EQ(i, 6);
    i = 8;
    EXPECT_EQ(options.parseArgument(i, argc, argv),
              failure("--scale needs a whole number from 1 to 8"));
    EXPECT_EQ(options.scale, 3);
    i = 9; // "--scale" followed by "--script": not a number
    EXPECT_EQ(options.parseArgument(i, argc, argv),
              failure("--scale needs a whole number from 1 to 8"));
    i = 10; // "--script" at the end, without its file
    EXPECT_EQ(options.parseArgument(i, argc, argv),
              failure("--script needs a file (or - for standard input)"));

    EXPECT_TRUE(options.validate());
    options.headless = false;
    EXPECT_EQ(options.validate(), failure("--script runs only headless: add --headless"));
}

} // namespace
