#include "cli/command_line.h"

#include <algorithm>

#include "cli/version.h"

namespace tavrin::cli {
namespace {

constexpr size_t kWidestOptionColumn = 30;

bool IsOptionWord(std::string_view word) {
    return !word.empty() && word.front() == '-';
}

// "render" for the command "tavrin-xm render"; the whole name for a program.
std::string_view LastWord(std::string_view name) {
    const size_t space = name.rfind(' ');
    return space == std::string_view::npos ? name : name.substr(space + 1);
}

std::string_view FirstWord(std::string_view name) {
    return name.substr(0, name.find(' '));
}

const Option* FindOption(const Program& program, std::string_view name) {
    for (const Option& option : program.options) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

void Mistake(CommandLine& line, std::string text) {
    line.request = CommandLine::Request::kMistake;
    line.mistake = std::move(text);
}

// One long option at words[i], with its value when it takes one; advances i past what it used.
// False after recording a mistake.
bool ReadOption(const Program& program, std::span<const std::string> words, size_t& i,
                CommandLine& line) {
    const std::string& word = words[i];
    if (word.size() < 3 || word[1] != '-') {
        Mistake(line, "unknown option '" + word + "'");
        return false;
    }
    const size_t equals = word.find('=');
    const std::string name =
        word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const Option* option = FindOption(program, name);
    if (option == nullptr) {
        Mistake(line, "unknown option '--" + name + "'");
        return false;
    }
    if (option->valueName == nullptr) {
        if (equals != std::string::npos) {
            Mistake(line, "option '--" + name + "' takes no value");
            return false;
        }
        line.arguments.options.push_back({option, {}});
        return true;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = word.substr(equals + 1);
    } else if (i + 1 < words.size()) {
        value = words[++i];
    }
    if (value.empty() || (value.front() == '-' && !option->valueMayStartWithDash)) {
        Mistake(line, "option '--" + name + "' needs a value (" + option->valueName + ")");
        return false;
    }
    line.arguments.options.push_back({option, std::move(value)});
    return true;
}

// Options anywhere among the operands until "--"; then checks the number of operands.
void ReadOptionsAndOperands(const Program& program, std::span<const std::string> words,
                            CommandLine& line) {
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || !IsOptionWord(word)) {
            line.arguments.operands.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "-h" || word == "--help") {
            line.request = CommandLine::Request::kHelp;
            return;
        } else if (word == "--version") {
            line.request = CommandLine::Request::kVersion;
            return;
        } else if (!ReadOption(program, words, i, line)) {
            return;
        }
    }
    const std::vector<std::string>& operands = line.arguments.operands;
    if (operands.size() < program.minOperands) {
        Mistake(line, operands.empty() ? "missing operand"
                                       : "missing operand after '" + operands.back() + "'");
    } else if (operands.size() > program.maxOperands) {
        Mistake(line, "extra operand '" + operands[program.maxOperands] + "'");
    }
}

struct HelpLine {
    std::string left;
    const char* help;
};

// Two columns, the help text starting where the widest left side (up to a limit) ends; a wider
// left side puts its help on the next line.
void PrintColumns(const std::vector<HelpLine>& lines, std::FILE* out) {
    size_t column = 0;
    for (const HelpLine& line : lines) column = std::max(column, line.left.size() + 2);
    column = std::min(column, kWidestOptionColumn);
    for (const HelpLine& line : lines) {
        std::fprintf(out, "%s", line.left.c_str());
        if (line.left.size() + 2 > column) {
            std::fprintf(out, "\n%*s", static_cast<int>(column), "");
        } else {
            std::fprintf(out, "%*s", static_cast<int>(column - line.left.size()), "");
        }
        std::fprintf(out, "%s\n", line.help);
    }
}

void AddOptionLines(std::span<const Option> options, std::vector<HelpLine>& lines) {
    for (const Option& option : options) {
        std::string left = std::string("      --") + option.name;
        if (option.valueName) left += std::string(" ") + option.valueName;
        lines.push_back({left, option.help});
    }
}

void PrintUsageLine(const Program& program, std::FILE* out) {
    std::fprintf(out, "Usage: %s [OPTION]...%s%s\n", program.name, *program.operands ? " " : "",
                 program.operands);
}

}  // namespace

bool Arguments::Has(std::string_view name) const {
    return Value(name) != nullptr;
}

const std::string* Arguments::Value(std::string_view name) const {
    const std::string* found = nullptr;
    for (const Given& given : options) {
        if (name == given.option->name) found = &given.value;
    }
    return found;
}

std::vector<std::string> Arguments::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const Given& given : options) {
        if (name == given.option->name) values.push_back(given.value);
    }
    return values;
}

CommandLine ParseWords(const Program& program, std::span<const std::string> words) {
    CommandLine line;
    line.parsedFor = &program;
    if (program.commands.empty()) {
        ReadOptionsAndOperands(program, words, line);
        return line;
    }
    // Before the command word only the questions every program answers make sense.
    size_t i = 0;
    for (; i < words.size() && IsOptionWord(words[i]); ++i) {
        const std::string& word = words[i];
        if (word == "--") {
            ++i;
            break;
        }
        if (word == "-h" || word == "--help") {
            line.request = CommandLine::Request::kHelp;
        } else if (word == "--version") {
            line.request = CommandLine::Request::kVersion;
        } else {
            Mistake(line, "unknown option '" + word + "'");
        }
        return line;
    }
    if (i == words.size()) {
        Mistake(line, "missing command");
        return line;
    }
    for (size_t c = 0; c < program.commands.size(); ++c) {
        if (words[i] == LastWord(program.commands[c].name)) {
            line.parsedFor = &program.commands[c];
            line.commandIndex = c;
            ReadOptionsAndOperands(program.commands[c], words.subspan(i + 1), line);
            return line;
        }
    }
    Mistake(line, "unknown command '" + words[i] + "'");
    return line;
}

bool ParseOrExit(const Program& program, int argc, const char* const* argv, CommandLine& line,
                 int& exitCode) {
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    line = ParseWords(program, words);
    switch (line.request) {
        case CommandLine::Request::kRun:
            return false;
        case CommandLine::Request::kHelp:
            PrintHelp(*line.parsedFor, stdout);
            exitCode = std::fflush(stdout) == 0 ? 0 : 1;
            return true;
        case CommandLine::Request::kVersion:
            PrintVersion(program, stdout);
            exitCode = std::fflush(stdout) == 0 ? 0 : 1;
            return true;
        case CommandLine::Request::kMistake:
            exitCode = UsageError(*line.parsedFor, line.mistake);
            return true;
    }
    return false;
}

int UsageError(const Program& program, std::string_view message) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(FirstWord(program.name).size()),
                 FirstWord(program.name).data(), static_cast<int>(message.size()), message.data());
    PrintUsageLine(program, stderr);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program.name);
    return 2;
}

void PrintHelp(const Program& program, std::FILE* out) {
    PrintUsageLine(program, out);
    std::fprintf(out, "%s\n", program.summary);
    if (!program.commands.empty()) {
        std::fprintf(out, "\nCommands:\n");
        std::vector<HelpLine> lines;
        for (const Program& command : program.commands) {
            lines.push_back({"  " + std::string(LastWord(command.name)) +
                                 (command.options.empty() ? " " : " [OPTION]... ") +
                                 command.operands,
                             command.summary});
            AddOptionLines(command.options, lines);
        }
        PrintColumns(lines, out);
    }
    std::fprintf(out, "\nOptions:\n");
    std::vector<HelpLine> lines;
    AddOptionLines(program.options, lines);
    lines.push_back({"  -h, --help", "display this help and exit"});
    lines.push_back({"      --version", "output version information and exit"});
    PrintColumns(lines, out);
    if (program.details) std::fprintf(out, "\n%s", program.details);
}

void PrintVersion(const Program& program, std::FILE* out) {
    const std::string_view name = FirstWord(program.name);
    std::fprintf(out,
                 "%.*s (%s) %s\n"
                 "Copyright (C) the %s authors.\n"
                 "License MIT: <https://opensource.org/licenses/MIT>.\n",
                 static_cast<int>(name.size()), name.data(), kPackageName, kVersion, kPackageName);
}

}  // namespace tavrin::cli
