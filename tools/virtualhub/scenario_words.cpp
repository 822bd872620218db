// The words of a scenario line and the numbers, counts and durations they may hold.
#include "scenario_words.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vhub {

Words splitWords(const std::string &line) {
    Words words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (quoted) {
            word += c;
        } else if (c == '#') {
            break;
        } else if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
            }
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        throw LineError("unterminated quote");
    }
    if (inWord) {
        words.push_back(std::move(word));
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

namespace {
std::string joined(Words::const_iterator from, Words::const_iterator to) {
    std::string text;
    for (auto word = from; word != to; ++word) {
        text += (text.empty() ? "" : " ") + *word;
    }
    return text;
}
} // namespace

void expectCount(const Words &words, const char *usage, const char *hint) {
    const Words wanted = splitWords(usage);
    if (words.size() == wanted.size()) {
        return;
    }
    std::string error = wanted[0] + " wants " +
                        (wanted.size() == 1 ? "nothing more" : joined(wanted.begin() + 1, wanted.end()));
    if (words.size() < wanted.size()) {
        error += ": missing " + joined(wanted.begin() + static_cast<long>(words.size()), wanted.end());
    } else {
        error += ": unexpected " + words[wanted.size()] + hint;
    }
    throw LineError(error);
}

long long wholeCount(const std::string &word) {
    const double count = positive(word, "count");
    if (count != std::floor(count)) {
        throw LineError("count must be a whole number: " + word);
    }
    return reportCount(count);
}

} // namespace vhub
