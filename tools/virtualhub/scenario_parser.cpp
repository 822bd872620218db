// Reads the scenario text format: one directive per line, '#' starts a comment.
#include "scenario_data.h"
#include "scenario_words.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

namespace vhub {

namespace {

// The uhid limit of one report.
constexpr std::size_t maxRawBytes = 4096;
// Far more reports per second than the hub sends.
constexpr double maxRate = 1e6;

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
    const double value = number(word.substr(equals + 1), "value");
    if (std::fabs(value) > FLT_MAX) {
        throw LineError("value beyond the float range: " + word);
    }
    return {connector, index, static_cast<float>(value)};
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
    if (hex.size() / 2 > maxRawBytes) {
        throw LineError("raw takes at most 4096 bytes");
    }
    Directive d;
    for (std::size_t k = 0; k < hex.size(); k += 2) {
        d.bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    }
    return d;
}

Directive generateDirective(const Words &words) {
    expectCount(words, "generate accel|sine|button|clock C RATE SECONDS");
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
    if (d.rate > maxRate) {
        throw LineError("rate must be at most 1000000 per second: " + words[3]);
    }
    d.seconds = seconds(words[4], 1, "duration");
    d.count = reportCount(d.rate * d.seconds);
    return d;
}

// Tracks the announced connectors, in connector order, for the flood's round-robin; the open
// repeats; and how long the scenario plays, which may not exceed a day.
class Parser {
public:
    Directive parse(const Words &words, int line);
    // The line of the innermost repeat still open, 0 when none is.
    int openRepeatLine() const { return loops.empty() ? 0 : loops.back().line; }

private:
    // A repeat being read: where it started, and the script's time and end before it.
    struct Loop {
        int line;
        long long count;
        double time, end;
    };

    Directive announce(const Words &words);
    Directive flood(const Words &words) const;
    Directive repeat(const Words &words, int line);
    Directive endRepeat(const Words &words);
    void lasts(double seconds);
    std::map<int, int> valueCounts;
    std::vector<Loop> loops;
    double time = 0; // the script's clock after the lines read so far
    double end = 0;  // when the last thing started so far is over
};

Directive Parser::announce(const Words &words) {
    expectCount(words, "announce C NAME SIG", " (a name with spaces goes in double quotes)");
    const int connector = byteNumber(words[1], "connector");
    const std::string &signature = words[3];
    try {
        Directive d = reportDirective(announcement(connector, words[2], signature));
        valueCounts[connector] = static_cast<int>(signature.size());
        return d;
    } catch (const std::invalid_argument &error) {
        throw LineError(error.what());
    }
}

Directive Parser::flood(const Words &words) const {
    expectCount(words, "flood COUNT");
    Directive d;
    d.kind = Directive::Kind::Generate;
    d.generator = Generator::Flood;
    d.count = wholeCount(words[1]);
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

Directive Parser::repeat(const Words &words, int line) {
    expectCount(words, "repeat COUNT");
    Directive d;
    d.kind = Directive::Kind::Repeat;
    d.count = wholeCount(words[1]);
    loops.push_back({line, d.count, time, end});
    end = time;
    return d;
}

// The body plays count times: the clock moves by count bodies, and what the last one starts ends
// last.
Directive Parser::endRepeat(const Words &words) {
    expectCount(words, "end");
    if (loops.empty()) {
        throw LineError("end without repeat");
    }
    const Loop loop = loops.back();
    loops.pop_back();
    const double body = time - loop.time;
    const double count = static_cast<double>(loop.count);
    end = std::max(loop.end, loop.time + (count - 1) * body + (end - loop.time));
    time = loop.time + count * body;
    lasts(0);
    Directive d;
    d.kind = Directive::Kind::End;
    return d;
}

// Something that starts now and lasts this long.
void Parser::lasts(double seconds) {
    end = std::max(end, time + seconds);
    if (end > day) {
        throw LineError("the scenario plays for more than a day");
    }
}

Directive Parser::parse(const Words &words, int line) {
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
        Directive d = generateDirective(words);
        lasts(d.seconds);
        return d;
    }
    if (name == "flood") {
        return flood(words);
    }
    if (name == "repeat") {
        return repeat(words, line);
    }
    if (name == "end") {
        return endRepeat(words);
    }
    Directive d;
    if (name == "wait") {
        expectCount(words, "wait MS");
        d.kind = Directive::Kind::Wait;
        d.seconds = seconds(words[1], 1000, "pause");
        time += d.seconds;
        lasts(0);
        return d;
    }
    if (name == "unplug" || name == "replug") {
        expectCount(words, name.c_str());
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
    const auto where = [&](int line) { return sourceName + ":" + std::to_string(line) + ": "; };
    for (std::string line; std::getline(input, line);) {
        ++lineNumber;
        try {
            const Words words = splitWords(line);
            if (words.empty()) {
                continue;
            }
            scenario->directives.push_back(parser.parse(words, lineNumber));
        } catch (const LineError &error) {
            throw std::runtime_error(where(lineNumber) + error.what());
        }
    }
    if (parser.openRepeatLine() != 0) {
        throw std::runtime_error(where(parser.openRepeatLine()) + "repeat without end");
    }
    return scenario;
}

// Read whole, so that a read error (a directory, a failing disk) is told from the end of the file.
std::shared_ptr<const Scenario> loadScenario(const std::string &path) {
    std::FILE *file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        throw std::runtime_error(path + ": cannot open the scenario: " + std::strerror(errno));
    }
    std::string text;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        text.append(chunk, n);
    }
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) {
        throw std::runtime_error(path + ": cannot read the scenario: " + std::strerror(error));
    }
    std::istringstream input(text);
    return parseScenario(input, path);
}

} // namespace vhub
