// The command-line conventions of every Tavrin program: long options ("--name", "--name VALUE" or
// "--name=VALUE") anywhere among the operands, "--" ending the options, -h/--help and --version
// understood everywhere, mistakes reported on stderr with exit status 2. A value or operand that
// begins with '-' is read as an option unless it follows "--", so no program ever writes a file
// named after a misplaced option.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::cli {

struct Option {
    const char* name;       // without the leading "--"
    const char* valueName;  // the value's placeholder in the help ("FILE"); null for a switch
    const char* help;       // one line
    // Numbers that may be negative; every other value beginning with '-' is a misplaced option.
    bool valueMayStartWithDash = false;
};

// A program, or one command of a program that has commands ("tavrin-xm render").
struct Program {
    const char* name;      // as typed: "tavrin-record", "tavrin-xm render"
    const char* operands;  // the usage line after the name and "[OPTION]...": "FILE OUT.wav"
    const char* summary;   // one sentence: the first line of --help and the manual's NAME
    std::span<const Option> options = {};
    size_t minOperands = 0;
    size_t maxOperands = 0;         // kAnyCount for no limit
    const char* details = nullptr;  // paragraphs after the options, each line ending in '\n'
    std::span<const Program> commands = {};  // for a program that starts with a command word
};

inline constexpr size_t kAnyCount = static_cast<size_t>(-1);

// Options given and operands, in the order they were typed.
struct Arguments {
    struct Given {
        const Option* option;
        std::string value;  // empty for a switch
    };
    std::vector<Given> options;
    std::vector<std::string> operands;

    bool Has(std::string_view name) const;
    // The last value given for the option, or null.
    const std::string* Value(std::string_view name) const;
    // Every value given for the option, in order.
    std::vector<std::string> Values(std::string_view name) const;
};

struct CommandLine {
    enum class Request { kRun, kHelp, kVersion, kMistake };
    Request request = Request::kRun;
    // The program or command the words were parsed for: the command named, for a program with
    // commands (once one was recognised), else the program itself.
    const Program* parsedFor = nullptr;
    size_t commandIndex = 0;  // which of the program's commands, when it has commands
    std::string mistake;      // for kMistake: what was wrong, in a few words
    Arguments arguments;
};

// Reads the words after the program name. Prints nothing.
CommandLine ParseWords(const Program& program, std::span<const std::string> words);

// Reads argv as ParseWords does, then answers the requests that end the program at once: the help
// (stdout, exit 0), the version (stdout, exit 0), a mistake (stderr, exit 2). `exitCode` is set
// and true returned when the program should return it now.
bool ParseOrExit(const Program& program, int argc, const char* const* argv, CommandLine& line,
                 int& exitCode);

// Reports a mistake the program found in the words itself (a bad value, a missing option):
// "NAME: MESSAGE", the usage line and a hint, on stderr. Returns 2, the exit status for it.
int UsageError(const Program& program, std::string_view message);

void PrintHelp(const Program& program, std::FILE* out);
void PrintVersion(const Program& program, std::FILE* out);

}  // namespace tavrin::cli
