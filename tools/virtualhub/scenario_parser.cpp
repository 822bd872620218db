// Reads the scenario text format: one directive per line, '#' starts a comment.
#include "scenario_data.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace vhub {

namespace {

using Words = std::vector<std::string>;

// Thrown inside the parser; turned into a runtime_error naming the file and line.
struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Words splitWords(const std::string &line) {
    std::istringstream stream(line.substr(0, line.find('#')));
    Words words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

double number(const std::string &word, const char *what) {
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno == ERANGE) {
        throw LineError(std::string("bad ") + what + ": " + word);
    }
    return value;
}

int byteNumber(const std::string &word, const char *what) {
    const double value = number(word, what);
    if (value < 0 || value > 255 || value != std::floor(value)) {
        throw LineError(std::string(what) + " must be a whole number 0..255: " + word);
    }
    return static_cast<int>(value);
}

double positive(const std::string &word, const char *what) {
    const double value = number(word, what);
    if (!(value > 0) || !std::isfinite(value)) {
        throw LineError(std::string(what) + " must be positive: " + word);
    }
    return value;
}

// More reports than any run could play; also keeps the count within a long long.
constexpr double maxReports = 1e12;

long long reportCount(double count) {
    if (count > maxReports) {
        throw LineError("too many reports");
    }
    return std::llround(count);
}

// A token of "" stands for the empty string, since words cannot be empty otherwise.
std::string text(const std::string &word) { return word == "\"\"" ? std::string() : word; }

void expectCount(const Words &words, std::size_t count, const char *usage) {
    if (words.size() != count) {
        throw LineError(std::string("usage: ") + usage);
    }
}

Directive reportDirective(const Report &report) {
    Directive d;
    d.bytes.assign(report.begin(), report.end());
    return d;
}

Entry valueEntry(const std::string &word) {
    const std::size_t colon = word.find(':');
    const std::size_t equals = word.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
        throw LineError("a value is written C:I=V, not " + word);
    }
    const int connector = byteNumber(word.substr(0, colon), "connector");
    const int index = byteNumber(word.substr(colon + 1, equals - colon - 1), "index");
    const float value = static_cast<float>(number(word.substr(equals + 1), "value"));
    return {connector, index, value};
}

Directive valuesDirective(const Words &words) {
    if (words.size() < 2 || words.size() > 1 + entriesPerReport) {
        throw LineError("values takes 1 to 10 entries C:I=V");
    }
    std::vector<Entry> entries;
    for (std::size_t k = 1; k < words.size(); ++k) {
        entries.push_back(valueEntry(words[k]));
    }
    return reportDirective(valueReport(entries));
}

Directive rawDirective(const Words &words) {
    std::string hex;
    for (std::size_t k = 1; k < words.size(); ++k) {
        hex += words[k];
    }
    if (hex.empty() || hex.size() % 2 != 0 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        throw LineError("raw takes whole bytes in hex");
    }
    Directive d;
    for (std::size_t k = 0; k < hex.size(); k += 2) {
        d.bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    }
    return d;
}

Directive generateDirective(const Words &words) {
    expectCount(words, 5, "generate accel|sine|button|clock C RATE SECONDS");
    static const std::map<std::string, Generator> kinds = {{"accel", Generator::Accel},
                                                           {"sine", Generator::Sine},
                                                           {"button", Generator::Button},
                                                           {"clock", Generator::Clock}};
    const auto kind = kinds.find(words[1]);
    if (kind == kinds.end()) {
        throw LineError("unknown generator: " + words[1]);
    }
    Directive d;
    d.kind = Directive::Kind::Generate;
    d.generator = kind->second;
    d.connector = byteNumber(words[2], "connector");
    d.rate = positive(words[3], "rate");
    d.seconds = positive(words[4], "duration");
    d.count = reportCount(d.rate * d.seconds);
    return d;
}

// Tracks the announced connectors, in connector order, for the flood's round-robin.
class Parser {
public:
    Directive parse(const Words &words);

private:
    Directive announce(const Words &words);
    Directive flood(const Words &words) const;
    std::map<int, int> valueCounts;
};

Directive Parser::announce(const Words &words) {
    expectCount(words, 4, "announce C NAME SIGNATURE");
    const int connector = byteNumber(words[1], "connector");
    const std::string signature = text(words[3]);
    try {
        Directive d = reportDirective(announcement(connector, text(words[2]), signature));
        valueCounts[connector] = static_cast<int>(signature.size());
        return d;
    } catch (const std::invalid_argument &error) {
        throw LineError(error.what());
    }
}

Directive Parser::flood(const Words &words) const {
    expectCount(words, 2, "flood COUNT");
    Directive d;
    d.kind = Directive::Kind::Generate;
    d.generator = Generator::Flood;
    const double count = positive(words[1], "count");
    if (count != std::floor(count)) {
        throw LineError("count must be a whole number: " + words[1]);
    }
    d.count = reportCount(count);
    for (const auto &[connector, count] : valueCounts) {
        for (int index = 0; index < count; ++index) {
            d.slots.push_back({connector, index});
        }
    }
    if (d.slots.empty()) {
        throw LineError("flood needs a connector announced with values before it");
    }
    return d;
}

Directive Parser::parse(const Words &words) {
    const std::string &name = words[0];
    if (name == "announce") {
        return announce(words);
    }
    if (name == "values") {
        return valuesDirective(words);
    }
    if (name == "raw") {
        return rawDirective(words);
    }
    if (name == "generate") {
        return generateDirective(words);
    }
    if (name == "flood") {
        return flood(words);
    }
    Directive d;
    if (name == "wait") {
        expectCount(words, 2, "wait MS");
        d.kind = Directive::Kind::Wait;
        d.seconds = number(words[1], "pause") / 1000;
        if (!(d.seconds >= 0)) {
            throw LineError("a pause cannot be negative");
        }
        return d;
    }
    if (name == "unplug" || name == "replug") {
        expectCount(words, 1, name.c_str());
        d.kind = name == "unplug" ? Directive::Kind::Unplug : Directive::Kind::Replug;
        return d;
    }
    throw LineError("unknown directive: " + name);
}

} // namespace

std::shared_ptr<const Scenario> parseScenario(std::istream &input, const std::string &sourceName) {
    auto scenario = std::make_shared<Scenario>();
    Parser parser;
    int lineNumber = 0;
    for (std::string line; std::getline(input, line);) {
        ++lineNumber;
        const Words words = splitWords(line);
        if (words.empty()) {
            continue;
        }
        try {
            scenario->directives.push_back(parser.parse(words));
        } catch (const LineError &error) {
            throw std::runtime_error(sourceName + ":" + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    return scenario;
}

std::shared_ptr<const Scenario> loadScenario(const std::string &path) {
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error(path + ": cannot open the scenario");
    }
    return parseScenario(file, path);
}

} // namespace vhub
