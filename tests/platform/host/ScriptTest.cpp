#include "platform/host/Script.h"

#include "platform/host/Host.h"
#include "support/TestEnvironment.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

TEST(ScriptParsing, ChecksTheApplicationsCommandsAndThatNothingFollowsTerminate) {
    std::vector<std::string> checked;
    const platform::ScriptCommandCheck check = [&checked](std::string_view name,
                                                          std::span<const std::string> args) {
        checked.emplace_back(name);
        return name == "press" && args.size() == 1
                   ? std::expected<void, platform::Error>()
                   : platform::failure("unknown command '" + std::string(name) + "'");
    };
    const auto unknown = Script::parse("press a\ntap 1 1\nprss effect\n", "s", check);
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error().message, "s:3: unknown command 'prss'");
    EXPECT_EQ(checked, (std::vector<std::string>{"press", "prss"}));
    EXPECT_TRUE(Script::parse("press a\nterminate\n# done\n\n", "s", check));
    EXPECT_EQ(errorOf("terminate\n\nwait 1\n"),
              "script.txt:3: nothing may follow 'terminate' (line 1)");
}

TEST(ScriptParsing, ErrorsShowTheScriptsBytesEscapedAndShortened) {
    using platform::escapeScriptText;
    const std::pair<std::string, std::string> cases[] = {
        {"plain words.png", "plain words.png"},
        {std::string("a\0b\n\t\r\x1b[2J\x7f", 11), "a\\0b\\n\\t\\r\\x1b[2J\\x7f"},
        {"it's \\", "it\\'s \\\\"},
        {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"}, // UTF-8 stays
        {"\xc3(\xff\xe2\x82", "\\xc3(\\xff\\xe2\\x82"},           // broken UTF-8 does not
        {"\xc2\x9b"
         "31m",
         "\\xc2\\x9b31m"}, // nor a C1 control
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(escapeScriptText(text), shown);
    }
    EXPECT_EQ(escapeScriptText(std::string(100, 'x'), 10), "xxxxxxxxxx...");
    // A 10 MB word gives a short line.
    std::string escaped;
    for (int i = 0; i < 64; ++i) {
        escaped += "\\x01";
    }
    EXPECT_EQ(errorOf("down 1 1 " + std::string(10'000'000, '\x01') + "\n"),
              "script.txt:1: Y '" + escaped + "...' of 'down' is not a number");
    EXPECT_EQ(errorOf("tap 1 481." + std::string(1'000'000, '0') + "\n"),
              "script.txt:1: point (1, 481." + std::string(60, '0') +
                  "...) is off the 320 x 480 screen");
}

TEST(ScriptReading, TakesFilesAndPipesUpToTheirLimitAndNothingElse) {
    testsupport::ScratchDirectory scratch;
    const auto file = scratch.path() / "s.txt";
    testsupport::writeText(file, "tap 1 1\n");
    EXPECT_EQ(Script::read(file.string()), "tap 1 1\n");
    // One byte over the limit, as a sparse file.
    ASSERT_EQ(::truncate(file.c_str(), Script::kMaxBytes + 1), 0);
    EXPECT_EQ(Script::read(file.string()),
              platform::failure("the script '" + file.string() + "' is larger than 16 MB"));
    ASSERT_EQ(::truncate(file.c_str(), Script::kMaxBytes), 0);
    EXPECT_TRUE(Script::read(file.string()));
    for (const std::string& path : {scratch.path().string(), std::string("/dev/zero")}) {
        EXPECT_EQ(Script::read(path),
                  platform::failure("the script '" + path + "' is not a file or a pipe"));
    }
    EXPECT_FALSE(Script::read((scratch.path() / "missing").string()));

    // A pipe is read to its end, and refused once it brings more than the limit.
    const auto fifo = scratch.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::size_t size : {std::size_t{70'000}, Script::kMaxBytes + 1}) {
        std::thread writer([&fifo, size] {
            const std::string text(size, 'w');
            std::FILE* out = std::fopen(fifo.c_str(), "wb");
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
        });
        const auto text = Script::read(fifo.string());
        writer.join();
        if (size <= Script::kMaxBytes) {
            EXPECT_EQ(text, std::string(size, 'w'));
        } else {
            EXPECT_FALSE(text);
        }
    }
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
