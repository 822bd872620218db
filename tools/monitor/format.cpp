// Text for the renderers. Cells are counted in characters, not bytes, so a UTF-8 block is one cell.
#include "format.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kSilentSeconds = 2;
constexpr int kSparkBins = static_cast<int>(10 / kBinSeconds); // 10 s

const char *const kLevels8[] = {"▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
const char *const kPartial[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
const char kAsciiLevels[] = "_.-:=+*#";

// Position of value within [min, max], from 0 to 1; negative when it cannot be placed.
double fraction(double value, double min, double max) {
    if (!(min <= max) || !std::isfinite(value))
        return -1;
    if (max == min)
        return 0.5;
    return std::fmin(1, std::fmax(0, (value - min) / (max - min)));
}

// The length of the well-formed UTF-8 sequence at i, or 0: overlong forms, surrogates, code
// points beyond U+10FFFF, stray continuation bytes and cut-off sequences are not well-formed.
size_t validSequence(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    unsigned lead = byte(i), low = 0x80, high = 0xbf;
    size_t length = lead < 0x80   ? 1
                    : lead < 0xc2 ? 0
                    : lead < 0xe0 ? 2
                    : lead < 0xf0 ? 3
                    : lead < 0xf5 ? 4
                                  : 0;
    if (lead == 0xe0)
        low = 0xa0;
    else if (lead == 0xed)
        high = 0x9f;
    else if (lead == 0xf0)
        low = 0x90;
    else if (lead == 0xf4)
        high = 0x8f;
    for (size_t k = 1; k < length; ++k, low = 0x80, high = 0xbf)
        if (byte(i + k) < low || byte(i + k) > high)
            return 0;
    return length;
}

// C0, DEL and C1 (U+0080 to U+009F, two bytes starting 0xc2): each steers a terminal.
bool isControl(std::string_view text, size_t i, size_t length) {
    auto lead = static_cast<unsigned char>(text[i]);
    return (length == 1 && (lead < 0x20 || lead == 0x7f)) ||
           (length == 2 && lead == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0);
}

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = validSequence(text, i);
        if (length == 0 || isControl(text, i, length)) {
            out += '?';
            i += length ? length : 1;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string valueText(const Value &value) {
    if (!value.numeric)
        return printable(value.text);
    // The most digits, up to four, that fit in 8 characters: -1.959e-16 becomes -2e-16.
    char text[32];
    for (int digits = 4; digits >= 1; --digits)
        if (std::snprintf(text, sizeof text, "%.*g", digits, value.number) <= 8)
            break;
    return text;
}

std::string bar(double value, double min, double max, int width, bool utf8) {
    double f = fraction(value, min, max);
    int eighths = f < 0 ? 0 : static_cast<int>(std::lround(f * width * 8));
    std::string out;
    for (int cell = 0; cell < width; ++cell) {
        int filled = std::min(8, std::max(0, eighths - cell * 8));
        if (!utf8)
            out += filled >= 4 ? '#' : (filled > 0 ? '|' : '.');
        else if (filled == 8)
            out += "█";
        else
            out += filled > 0 ? kPartial[filled] : " ";
    }
    return out;
}

std::string sparkline(const Row &row, int value, double now, int width, bool utf8) {
    const Series &series = row.series[value];
    int64_t last = binOf(now);
    std::string out;
    float shown = NAN; // a cell with no value of its own holds the one before it
    for (int cell = 0; cell < width; ++cell) {
        // The cell covers slots [first, end) of the last 10 s; it shows the latest value in them.
        int64_t first = last - kSparkBins + 1 + cell * kSparkBins / width;
        int64_t end = last - kSparkBins + 1 + (cell + 1) * kSparkBins / width;
        for (int64_t b = first; b < end; ++b)
            if (!std::isnan(Model::historyAt(row, value, b)))
                shown = Model::historyAt(row, value, b);
        double f = std::isnan(shown) ? -1 : fraction(shown, series.min, series.max);
        int level = static_cast<int>(std::lround(f * 7));
        if (f < 0)
            out += ' ';
        else if (utf8)
            out += kLevels8[level];
        else
            out += kAsciiLevels[level];
    }
    return out;
}

std::string headerLine(const Status &status) {
    std::string line = "port " + std::to_string(status.port) + "   " + hubText(status.facts) + "   ";
    line += status.facts.bridgeHere  ? "vrennosc running"
            : status.facts.bridgePid ? "vrennosc in another network namespace"
                                     : "no vrennosc running";
    return line;
}

std::string targetsLine(const Status &status) {
    std::string line;
    for (const std::string &target : status.targets)
        line += (line.empty() ? "forward " : "   ") + target;
    return line;
}

std::string countsLine(const Model &model, double now) {
    char line[160];
    int n = std::snprintf(line, sizeof line, "messages %llu (%.0f/s)   malformed %llu   last ",
                          static_cast<unsigned long long>(model.total()), model.rate(now),
                          static_cast<unsigned long long>(model.malformed()));
    if (model.lastTime() < 0)
        std::snprintf(line + n, sizeof line - n, "never");
    else
        std::snprintf(line + n, sizeof line - n, "%.1f s ago", now - model.lastTime());
    std::string out = line;
    if (model.replaced() > 0)
        out += "   " + std::to_string(model.replaced()) + (model.replaced() == 1 ? " row" : " rows") +
               " replaced";
    return out;
}

std::string silentHint(const Model &model, const Status &status, double now) {
    if (now < kSilentSeconds || (model.lastTime() >= 0 && now - model.lastTime() < kSilentSeconds))
        return "";
    std::string problem = firstProblem(status.facts);
    if (!problem.empty())
        return "Nothing arrives. " + problem;
    return "Nothing arrives, yet the hub is readable and vrennosc runs: replug the hub so that it announces "
           "its "
           "sensors, and see vrennosc-monitor --check.";
}

bool isSilent(const Row &row, double now) { return now - row.lastTime >= kSilentSeconds; }
