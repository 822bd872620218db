#include "json_text.h"

#include "printable.h"

namespace common {

// printable() leaves no control characters, so only quotes and backslashes need escaping.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : printable(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace common
