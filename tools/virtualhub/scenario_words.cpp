// The words of a scenario line and the numbers, counts and durations they may hold.
#include "scenario_words.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace vhub {

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
    if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
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
    if (!(value > 0)) {
        throw LineError(std::string(what) + " must be positive: " + word);
    }
    return value;
}

namespace {
// More reports than any run could play; also keeps the count within a long long.
constexpr double maxReports = 1e12;
} // namespace

double seconds(const std::string &word, double scale, const char *what) {
    const double value = number(word, what) / scale;
    if (value < 0 || value > day) {
        throw LineError(std::string(what) + " must be 0 to one day (86400000 ms): " + word);
    }
    return value;
}

long long reportCount(double count) {
    if (count > maxReports) {
        throw LineError("too many reports");
    }
    return std::llround(count);
}

std::string text(const std::string &word) { return word == "\"\"" ? std::string() : word; }

void expectCount(const Words &words, std::size_t count, const char *usage) {
    if (words.size() != count) {
        throw LineError(std::string("usage: ") + usage);
    }
}

long long wholeCount(const std::string &word) {
    const double count = positive(word, "count");
    if (count != std::floor(count)) {
        throw LineError("count must be a whole number: " + word);
    }
    return reportCount(count);
}

} // namespace vhub
