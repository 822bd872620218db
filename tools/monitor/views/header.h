// The header block that every view shows above the rows, built once: the port, hub and bridge
// line; the forward targets and the recording when there are any; the message counts; and the
// hint shown after 2 s of silence.
#pragma once

#include "model.h"
#include "status.h"

#include <string>
#include <vector>

namespace monitor {

struct Header {
    std::string top;                // port, hub and bridge
    std::vector<std::string> lines; // warnings, targets, recording, then the counts, always last
    std::string hint;               // empty while messages arrive
};

// The header of the model and status at time now.
Header makeHeader(const Model &model, const Status &status, double now);
// A header line in lines of at most width columns (0: one line), broken between its parts, which
// stand three spaces apart, and a part too wide for a line between its words, so that nothing is
// cut off; the lines after the first are indented.
std::vector<std::string> wrapToWidth(const std::string &line, int width);

} // namespace monitor
