// The OSC namespace as OSCQuery clients read it: the model's addresses as a tree of JSON nodes, one
// container per address level and one read-only method per address, with its type tags, latest
// values, the range seen so far and a description; and the host's own facts (HOST_INFO).
#pragma once

#include "model.h"

#include <string>
#include <string_view>

namespace monitor {

struct QueryAnswer {
    int status = 200; // an HTTP status; 200 with a JSON body, or another with no body
    std::string body;
};

// The answer to GET path?query; hostName names this computer in HOST_INFO.
QueryAnswer answerQuery(const Model &model, std::string_view path, std::string_view query,
                        std::string_view hostName);
// What a row's address is, in words: distinct for distinct addresses.
std::string describeAddress(std::string_view address);

} // namespace monitor
