// Plain mode: the table as text, for scripts, tests and output that is not a terminal.
#pragma once

#include "model.h"
#include "status.h"

#include <string>

namespace monitor {

// The header, the hint when silent, and one line per row: address, rate, then each value with its
// range in brackets and an ASCII sparkline of its last 10 s. Within width columns (0: any width),
// header lines are broken between their parts and rows leave out the values that do not fit.
std::string renderPlain(const Model &model, const Status &status, double now, int width);

} // namespace monitor
