// A program's command line as one table: each option written once, with its value's name, its
// help and what it sets, driving both the parsing and the usage text.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace common {

// What an option or an operand does with its value (nullptr for a flag); a reason to refuse it, or "".
using Setter = std::function<std::string(const char *value)>;

struct Option {
    const char *name;  // "--port"
    const char *value; // the value's name in the usage ("N"), or nullptr for a flag
    const char *help;  // lines after the first start with '\n'; nullptr leaves it out of the usage
    Setter set;
};

struct CommandLine {
    const char *head; // the usage's first lines, before the options
    int helpColumn;   // where each option's help starts
    std::vector<Option> options;
    const char *tail;    // the lines after the options: keys, examples
    Setter operand = {}; // takes each word that is not an option; none: such a word is refused
};

// Reads argv through the table; the first refusal, or "" when every word was taken.
std::string parseCommandLine(const CommandLine &line, int argc, char **argv);
// The usage text: the head, one entry per option with help, and the tail.
std::string usageText(const CommandLine &line);

} // namespace common
