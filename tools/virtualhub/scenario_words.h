// The words of a scenario line and the numbers, counts and durations they may hold. Each reader
// throws LineError naming what is wrong with the word.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vhub {

using Words = std::vector<std::string>;

// Thrown inside the parser; turned into a runtime_error naming the file and line.
struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The longest a wait, a generator or a whole scenario may last, in seconds: longer ones are typing
// errors, and the uhid hub counts the time to the next report in int milliseconds.
constexpr double day = 86400;

// The line's words, up to a '#' outside double quotes; a quoted part may hold blanks and '#', and
// "" is an empty word.
Words splitWords(const std::string &line);
// A finite decimal number.
double number(const std::string &word, const char *what);
// A whole number 0..255.
int byteNumber(const std::string &word, const char *what);
// A finite number above zero.
double positive(const std::string &word, const char *what);
// A duration given in units of 1/scale seconds, 0 to a day; returns seconds.
double seconds(const std::string &word, double scale, const char *what);
// A number of reports, rounded; at most 10^12.
long long reportCount(double count);
// A whole number of at least one, at most 10^12.
long long wholeCount(const std::string &word);
// Throws an error naming the missing or first unexpected word unless the line has as many words as
// usage ("wait MS"); hint follows an unexpected word.
void expectCount(const Words &words, const char *usage, const char *hint = "");

} // namespace vhub
