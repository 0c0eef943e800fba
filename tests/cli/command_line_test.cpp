#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/version.h"

namespace tavrin::cli {
namespace {

using Request = CommandLine::Request;

constexpr Option kOptions[] = {
    {"out", "FILE", "where to write"},
    {"quiet", nullptr, "say nothing"},
    {"offset", "N", "may be negative", true},
};
constexpr Program kTool{.name = "tool",
                        .operands = "INPUT...",
                        .summary = "Do a thing.",
                        .options = kOptions,
                        .minOperands = 1,
                        .maxOperands = 2,
                        .details = "More words.\n"};

constexpr Option kRenderOptions[] = {{"seconds", "N", "how long"}};
constexpr Program kCommands[] = {
    {.name = "multi info",
     .operands = "FILE",
     .summary = "tell",
     .minOperands = 1,
     .maxOperands = 1},
    {.name = "multi render",
     .operands = "FILE OUT",
     .summary = "make",
     .options = kRenderOptions,
     .minOperands = 2,
     .maxOperands = 2},
};
constexpr Program kMulti{
    .name = "multi", .operands = "COMMAND", .summary = "Many things.", .commands = kCommands};

CommandLine Parse(const Program& program, std::vector<std::string> words) {
    return ParseWords(program, words);
}

std::string HelpOf(const Program& program) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    PrintHelp(program, out);
    std::fclose(out);
    std::string help(text, size);
    free(text);
    return help;
}

TEST(CommandLine, OptionsMayComeAnywhereInEitherSpelling) {
    const CommandLine line =
        Parse(kTool, {"a", "--out", "x.wav", "b", "--quiet", "--out=y.wav", "--offset", "-3"});
    ASSERT_EQ(line.request, Request::kRun) << line.mistake;
    EXPECT_EQ(line.arguments.operands, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(line.arguments.Has("quiet"));
    EXPECT_FALSE(line.arguments.Has("nothing"));
    // The last value counts; every value stays available in order.
    EXPECT_EQ(*line.arguments.Value("out"), "y.wav");
    EXPECT_EQ(line.arguments.Values("out"), (std::vector<std::string>{"x.wav", "y.wav"}));
    EXPECT_EQ(*line.arguments.Value("offset"), "-3");
    EXPECT_EQ(line.arguments.Value("missing"), nullptr);
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
    const CommandLine line = Parse(kTool, {"--", "-input", "--out"});
    ASSERT_EQ(line.request, Request::kRun) << line.mistake;
    EXPECT_EQ(line.arguments.operands, (std::vector<std::string>{"-input", "--out"}));
    EXPECT_TRUE(line.arguments.options.empty());
}

TEST(CommandLine, AnOptionIsNeverTakenForAFileName) {
    // Values and operands that look like options are refused, whichever way they are given.
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"a", "--out", "--help"},
                                               {"a", "--out", "-x"},
                                               {"a", "--out=-x"},
                                               {"a", "--out="},
                                               {"a", "--out"}}) {
        const CommandLine line = Parse(kTool, words);
        EXPECT_EQ(line.request, Request::kMistake) << words.back();
        EXPECT_EQ(line.mistake, "option '--out' needs a value (FILE)") << words.back();
    }
    EXPECT_EQ(Parse(kTool, {"-"}).mistake, "unknown option '-'");
    EXPECT_EQ(Parse(kTool, {"a", "-o"}).mistake, "unknown option '-o'");
    EXPECT_EQ(Parse(kTool, {"a", "--outfile", "x"}).mistake, "unknown option '--outfile'");
    EXPECT_EQ(Parse(kTool, {"a", "--quiet=yes"}).mistake, "option '--quiet' takes no value");
}

TEST(CommandLine, CountsOperands) {
    EXPECT_EQ(Parse(kTool, {}).mistake, "missing operand");
    EXPECT_EQ(Parse(kTool, {"--quiet"}).mistake, "missing operand");
    EXPECT_EQ(Parse(kTool, {"a", "b", "c"}).mistake, "extra operand 'c'");
    EXPECT_EQ(Parse(kCommands[1], {"in"}).mistake, "missing operand after 'in'");
    EXPECT_EQ(Parse(kTool, {"a", "b"}).request, Request::kRun);
}

TEST(CommandLine, HelpAndVersionWinOverMissingOperandsButNotOverEarlierMistakes) {
    EXPECT_EQ(Parse(kTool, {"--help"}).request, Request::kHelp);
    EXPECT_EQ(Parse(kTool, {"a", "b", "c", "-h"}).request, Request::kHelp);
    EXPECT_EQ(Parse(kTool, {"--version"}).request, Request::kVersion);
    EXPECT_EQ(Parse(kTool, {"--bogus", "--help"}).request, Request::kMistake);
    // After "--" they are file names like any other.
    EXPECT_EQ(Parse(kTool, {"--", "--help"}).request, Request::kRun);
}

TEST(CommandLine, ProgramsWithCommandsParseTheCommandsOwnOptions) {
    CommandLine line = Parse(kMulti, {"render", "--seconds", "4", "in.xm", "out.wav"});
    ASSERT_EQ(line.request, Request::kRun) << line.mistake;
    EXPECT_EQ(line.commandIndex, 1u);
    EXPECT_EQ(line.parsedFor, &kCommands[1]);
    EXPECT_EQ(*line.arguments.Value("seconds"), "4");
    EXPECT_EQ(line.arguments.operands, (std::vector<std::string>{"in.xm", "out.wav"}));

    // One command's options are not another's.
    line = Parse(kMulti, {"info", "--seconds", "4", "in.xm"});
    EXPECT_EQ(line.mistake, "unknown option '--seconds'");
    EXPECT_EQ(line.parsedFor, &kCommands[0]);  // so the usage shown is the command's
    EXPECT_EQ(Parse(kMulti, {}).mistake, "missing command");
    EXPECT_EQ(Parse(kMulti, {"--seconds"}).mistake, "unknown option '--seconds'");
    EXPECT_EQ(Parse(kMulti, {"frobnicate", "x"}).mistake, "unknown command 'frobnicate'");
    EXPECT_EQ(Parse(kMulti, {"--help"}).request, Request::kHelp);
    EXPECT_EQ(Parse(kMulti, {"--version", "info"}).request, Request::kVersion);
    line = Parse(kMulti, {"render", "--help"});
    EXPECT_EQ(line.request, Request::kHelp);
    EXPECT_EQ(line.parsedFor, &kCommands[1]);
    EXPECT_EQ(Parse(kMulti, {"--", "info", "f"}).request, Request::kRun);
}

TEST(CommandLine, HelpNamesEveryOptionAndCommand) {
    const std::string help = HelpOf(kTool);
    EXPECT_EQ(help.rfind("Usage: tool [OPTION]... INPUT...\nDo a thing.\n", 0), 0u) << help;
    for (const char* text : {"--out FILE", "where to write", "--quiet", "--offset N", "-h, --help",
                             "--version", "\nMore words.\n"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text << " in\n" << help;
    }
    const std::string multi = HelpOf(kMulti);
    for (const char* text :
         {"Commands:", "  info FILE", "tell", "  render [OPTION]... FILE OUT", "--seconds N"}) {
        EXPECT_NE(multi.find(text), std::string::npos) << text << " in\n" << multi;
    }
}

TEST(CommandLine, ParseOrExitAnswersHelpVersionAndMistakes) {
    CommandLine line;
    int status = -1;
    const char* help[] = {"tool", "--help"};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(ParseOrExit(kTool, 2, help, line, status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), HelpOf(kTool));

    const char* version[] = {"tool", "--version"};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(ParseOrExit(kTool, 2, version, line, status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind(
                  std::string("tool (Tavrin) ") + kVersion + "\n", 0),
              0u);

    const char* wrong[] = {"multi", "render", "x"};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ParseOrExit(kMulti, 3, wrong, line, status));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "multi: missing operand after 'x'\n"
              "Usage: multi render [OPTION]... FILE OUT\n"
              "Try 'multi render --help' for more information.\n");

    const char* right[] = {"tool", "in"};
    EXPECT_FALSE(ParseOrExit(kTool, 2, right, line, status));
    EXPECT_EQ(line.arguments.operands, std::vector<std::string>{"in"});
}

}  // namespace
}  // namespace tavrin::cli
