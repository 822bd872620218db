// The pieces both renderers print: numbers, bars, sparklines, the header and the silent hint.
// Bars and sparklines use Unicode blocks, or ASCII where the locale is not UTF-8.
#pragma once

#include "checks.h"
#include "model.h"

#include <string>
#include <vector>

struct Status {
    uint16_t port = 0;
    std::vector<std::string> targets; // "HOST:PORT STATE", printable
    Facts facts;
    bool frozen = false;
    std::string recording{}; // the recorder's state, escaped; empty when not recording
};

// Outside text made safe for a terminal: C0, DEL, C1 and each byte of ill-formed UTF-8 become '?'.
std::string printable(std::string_view text);
// A value in at most 8 characters; text arguments as they are.
std::string valueText(const Value &value);
// A bar of width cells for value within [min, max]; empty cells when the range is empty.
std::string bar(double value, double min, double max, int width, bool utf8);
// The last 10 s of a series in width cells, each the latest value of its share of the slots.
std::string sparkline(const Row &row, int value, double now, int width, bool utf8);
// The header lines: port, hub and bridge; the forward targets, empty without any; the message counts.
std::string headerLine(const Status &status);
std::string targetsLine(const Status &status);
std::string countsLine(const Model &model, double now);
// The hint shown after 2 s of silence, or an empty string while messages arrive.
std::string silentHint(const Model &model, const Status &status, double now);
// Whether a row has been silent long enough to be dimmed.
bool isSilent(const Row &row, double now);
