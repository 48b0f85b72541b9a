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

// Every command with its words, line numbers, blank lines, comments and CRLF run through the
// headless host's and the editor's scripted tests (which also check the application's
// commands); here the edges of what is accepted.
TEST(ScriptParsing, TakesTheScreensEdgesTabsTrailingCommentsAndPngInAnyCase) {
    const auto script = Script::parse("  move\t0 11 21.5   # along\ntap 320 480\nrotate 6\n"
                                      "screenshot out/a.PNG\nterminate\n# end\n\n",
                                      "s");
    ASSERT_TRUE(script) << script.error().message;
    const auto& c = script->commands();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(std::get<ScriptCommand::Touch>(c[0].action).location, (platform::Point{11, 21.5f}));
    EXPECT_EQ(std::get<ScriptCommand::Tap>(c[1].action).location, (platform::Point{320, 480}));
    EXPECT_EQ(std::get<ScriptCommand::Rotate>(c[2].action).orientation, 6);
    EXPECT_EQ(std::get<ScriptCommand::Screenshot>(c[3].action).path, "out/a.PNG");
    EXPECT_TRUE(std::holds_alternative<ScriptCommand::Terminate>(c[4].action));
}

TEST(ScriptParsing, NamesTheLineAndWhatIsWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {"tap 1 1\n\ndown 0 10\n", "3: 'down' is missing arguments: down ID X Y"},
        {"tap 1 2 3\n", "1: 'tap' has too many arguments: tap X Y"},
        {"wait\n", "1: 'wait' is missing arguments: wait SECONDS"},
        {"terminate now\n", "1: 'terminate' takes no arguments"},
        {"screenshot\n", "1: 'screenshot' is missing arguments: screenshot FILE.png"},
        {"screenshot shot.jpg\n",
         "1: 'screenshot' writes PNG: the file name must end in .png, not 'shot.jpg'"},
        {"down x 1 1\n", "1: finger ID 'x' of 'down' is not a whole number from 0 up"},
        {"down -1 1 1\n", "1: finger ID '-1' of 'down' is not a whole number from 0 up"},
        {"move 1 1,5 2\n", "1: X '1,5' of 'move' is not a number"},
        {"up 1 1 2px\n", "1: Y '2px' of 'up' is not a number"},
        {"tap 321 10\n", "1: point (321, 10) is off the 320 x 480 screen"},
        {"tap 10 -0.5\n", "1: point (10, -0.5) is off the 320 x 480 screen"},
        {"wait -1\n", "1: 'wait' takes seconds from 0 to 3600, not '-1'"},
        {"wait 3601\n", "1: 'wait' takes seconds from 0 to 3600, not '3601'"},
        {"rotate 0\n", "1: 'rotate' takes a device orientation from 1 to 6, not '0'"},
        {"rotate 2.0\n", "1: 'rotate' takes a device orientation from 1 to 6, not '2.0'"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(errorOf(text), "script.txt:" + message);
    }
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

// Directories and devices are refused in the editor's process tests.
TEST(ScriptReading, TakesFilesAndPipesUpToTheirLimit) {
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
        EXPECT_TRUE(text.value_or("") == std::string(size <= Script::kMaxBytes ? size : 0, 'w'));
    }
}

TEST(ScriptParsing, NumbersAreReadStrictly) {
    using platform::parseScriptInteger;
    using platform::parseScriptNumber;
    for (const auto& [text, value] :
         {std::pair{"12.5", 12.5}, {"-3", -3.0}, {".5", 0.5}, {"1e2", 100.0}}) {
        EXPECT_EQ(parseScriptNumber(text), value) << text;
    }
    for (const char* bad :
         {"", " 1", "1 ", "+1", "0x10", "nan", "inf", "-inf", "1e999", "1.5.2", "--1"}) {
        EXPECT_FALSE(parseScriptNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseScriptInteger("-7"), -7);
    for (const char* bad : {"", "4x", "+4", "99999999999", " 4"}) {
        EXPECT_FALSE(parseScriptInteger(bad).has_value()) << bad;
    }
}

TEST(HostOptionParsing, TakesItsOwnOptionsAndChecksThem) {
    using Parsed = platform::HostOptions::Parsed;
    using platform::failure;
    // Ends in a null pointer, as a program's arguments do.
    const char* args[] = {"app",       "--headless", "--script", "-",         "--scale",
                          "3",         "--data-dir", "d",        "--scale=9", "--scale",
                          "--script=", "--script",   nullptr};
    const int argc = static_cast<int>(std::size(args)) - 1;
    // The argument at `at` is parsed, leaving the index at `next`.
    const struct {
        int at, next;
        std::expected<Parsed, platform::Error> parsed;
    } cases[] = {
        {1, 1, Parsed::taken},
        {2, 3, Parsed::taken},
        {4, 5, Parsed::taken},
        {6, 6, Parsed::notMine},
        {8, 8, failure("--scale needs a whole number from 1 to 8")},
        {9, 10, failure("--scale needs a whole number from 1 to 8")}, // "--script=" is no number
        {10, 10, failure("--script needs a file (or - for standard input)")}, // an empty name
        {11, 11, failure("--script needs a file (or - for standard input)")}, // nothing follows
    };
    platform::HostOptions options;
    for (const auto& c : cases) {
        int i = c.at;
        EXPECT_EQ(options.parseArgument(i, argc, const_cast<char**>(args)), c.parsed) << c.at;
        EXPECT_EQ(i, c.next);
    }
    EXPECT_TRUE(options.headless);
    EXPECT_EQ(options.script, "-");
    EXPECT_EQ(options.scale, 3);
    EXPECT_TRUE(options.validate());
    options.headless = false;
    EXPECT_EQ(options.validate(), failure("--script runs only headless: add --headless"));
}

} // namespace
