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
    std::vector<std::string> lines; // targets, recording, then the counts, always last
    std::string hint;               // empty while messages arrive
};

// The header of the model and status at time now.
Header makeHeader(const Model &model, const Status &status, double now);

} // namespace monitor
