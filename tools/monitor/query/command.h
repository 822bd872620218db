// What an OSCQuery client says on the WebSocket: a JSON object with a COMMAND and its DATA.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace monitor {

struct Command {
    std::string name; // LISTEN, IGNORE, …
    std::string data; // the address it is about
};

// The command in text; nullopt unless text is one JSON object with string COMMAND and DATA.
std::optional<Command> parseCommand(std::string_view text);

} // namespace monitor
