// The header's lines in the order every view shows them.
#include "header.h"

#include "cells.h"
#include "checks.h"
#include "printable.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace monitor {
namespace {

// Bridges beyond the first send every message again: their count and pids say why rates double.
std::string bridgeText(const Facts &facts) {
    if (!facts.bridgeHere)
        return facts.bridgePid ? "vrennosc in another network namespace" : "no vrennosc running";
    if (facts.moreBridges.empty())
        return "vrennosc running";
    std::string pids = std::to_string(facts.bridgePid);
    for (int pid : facts.moreBridges)
        pids += ", " + std::to_string(pid);
    size_t count = facts.moreBridges.size() + 1;
    return std::to_string(count) + " vrennosc running (pids " + pids + "): each message " +
           (count == 2 ? "twice" : std::to_string(count) + " times");
}

std::string topLine(const Status &status) {
    return "port " + std::to_string(status.port) + "   " + hubText(status.facts) + "   " +
           bridgeText(status.facts);
}

std::string targetsLine(const Status &status) {
    std::string line;
    for (const std::string &target : status.targets)
        line += (line.empty() ? "forward " : "   ") + target;
    return line;
}

std::string oscqueryLine(const Status &status) {
    std::string line = "oscquery " + status.oscquery + "   " +
                       (status.announced.empty() ? "" : status.announced + "   ") +
                       std::to_string(status.listening) + (status.listening == 1 ? " client" : " clients");
    return status.skipped ? line + "   skipped " + std::to_string(status.skipped) : line;
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
    // Lost before the monitor could read them: neither shown, forwarded nor recorded.
    if (model.dropped() > 0)
        out += "   dropped " + std::to_string(model.dropped());
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
           "its sensors, and see vrennosc-monitor --check.";
}

} // namespace

std::vector<std::string> wrapToWidth(const std::string &line, int width) {
    const std::string gap = "   ", indent = "  ";
    std::vector<std::string> lines{""};
    auto place = [&](const std::string &piece, const std::string &separator) {
        std::string &last = lines.back();
        if (last.empty() || last == indent || width <= 0 ||
            common::displayWidth(last) + common::displayWidth(separator + piece) <= width)
            last += (last.empty() || last == indent ? "" : separator) + piece;
        else
            lines.push_back(indent + piece);
    };
    for (size_t start = 0; start <= line.size();) {
        size_t end = std::min(line.find(gap, start), line.size());
        std::string part = line.substr(start, end - start);
        if (width > 0 && common::displayWidth(indent + part) > width) { // a sentence: broken between words
            std::istringstream words(part);
            std::string separator = gap;
            for (std::string word; words >> word; separator = " ")
                place(word, separator);
        } else {
            place(part, gap);
        }
        start = end + gap.size();
    }
    return lines;
}

Header makeHeader(const Model &model, const Status &status, double now) {
    Header header{topLine(status), status.warnings, silentHint(model, status, now)};
    if (!status.targets.empty())
        header.lines.push_back(targetsLine(status));
    if (!status.recording.empty())
        header.lines.push_back(status.recording);
    if (!status.oscquery.empty())
        header.lines.push_back(oscqueryLine(status));
    header.lines.push_back(countsLine(model, now));
    return header;
}

} // namespace monitor
