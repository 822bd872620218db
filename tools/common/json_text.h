// Outside text inside JSON, for the page and for OSCQuery clients: made printable, then quoted.
#pragma once

#include <string>
#include <string_view>

namespace common {

// text as a JSON string, made printable first.
std::string jsonString(std::string_view text);

} // namespace common
