// Options are matched by their whole name; a value is always the next word, so that a value may
// itself start with '-'.
#include "cli.h"

#include <cstring>

namespace common {
namespace {

const Option *find(const CommandLine &line, const char *word) {
    for (const Option &option : line.options)
        if (std::strcmp(option.name, word) == 0)
            return &option;
    return nullptr;
}

} // namespace

std::string parseCommandLine(const CommandLine &line, int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const char *word = argv[i];
        bool looksLikeOption = word[0] == '-' && word[1] != '\0';
        const Option *option = looksLikeOption || !line.operand ? find(line, word) : nullptr;
        if (option == nullptr && (looksLikeOption || !line.operand))
            return "unknown option '" + std::string(word) + "'";
        if (option == nullptr) {
            if (std::string refused = line.operand(word); !refused.empty())
                return refused;
            continue;
        }
        const char *value = nullptr;
        if (option->value != nullptr && (value = i + 1 < argc ? argv[++i] : nullptr) == nullptr)
            return std::string(word) + " needs a value";
        if (std::string refused = option->set(value); !refused.empty())
            return refused;
    }
    return "";
}

std::string usageText(const CommandLine &line) {
    std::string text = line.head;
    const std::string indent(static_cast<size_t>(line.helpColumn), ' ');
    for (const Option &option : line.options) {
        if (option.help == nullptr)
            continue;
        std::string entry =
            "  " + std::string(option.name) + (option.value ? " " + std::string(option.value) : "");
        if (entry.size() + 1 < indent.size())
            entry.resize(indent.size() - 1, ' ');
        text += entry + " ";
        for (const char *at = option.help; *at != '\0'; ++at)
            text += *at == '\n' ? "\n" + indent : std::string(1, *at);
        text += "\n";
    }
    return text + line.tail;
}

} // namespace common
