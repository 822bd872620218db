// OSC decoding through liblo, which checks the padding, the type tags and each argument's length.
// The monitor only turns the decoded arguments into what it shows.
#include "decode.h"

#include <cstdio>
#include <cstring>
#include <lo/lo_lowlevel.h>

namespace monitor {

namespace {

void setText(Value &value, const char *text) { std::snprintf(value.text, sizeof value.text, "%s", text); }

// liblo's argument pointers need not be aligned for their type, so each is copied out.
template <typename T> T copied(const void *arg) {
    T value;
    std::memcpy(&value, arg, sizeof value);
    return value;
}

// Numbers (f i d h, and T/F as 1/0) are plotted; the rest is shown as text.
Value valueOf(char type, const void *arg) {
    Value value;
    value.numeric = true;
    switch (type) {
    case LO_FLOAT:
        value.number = copied<float>(arg);
        return value;
    case LO_INT32:
        value.number = copied<int32_t>(arg);
        return value;
    case LO_DOUBLE:
        value.number = copied<double>(arg);
        return value;
    case LO_INT64:
        value.number = static_cast<double>(copied<int64_t>(arg));
        return value;
    case LO_TRUE:
        value.number = 1;
        return value;
    case LO_FALSE:
        value.number = 0;
        return value;
    default:
        break;
    }
    value.numeric = false;
    switch (type) {
    case LO_STRING:
    case LO_SYMBOL:
        setText(value, static_cast<const char *>(arg));
        break;
    case LO_CHAR:
        std::snprintf(value.text, sizeof value.text, "'%c'", static_cast<char>(copied<int32_t>(arg)));
        break;
    case LO_BLOB:
        std::snprintf(value.text, sizeof value.text, "blob[%d]", copied<int32_t>(arg));
        break;
    case LO_NIL:
        setText(value, "nil");
        break;
    case LO_INFINITUM:
        setText(value, "inf");
        break;
    case LO_TIMETAG:
        setText(value, "time");
        break;
    case LO_MIDI:
        setText(value, "midi");
        break;
    default:
        setText(value, "?");
        break;
    }
    return value;
}

} // namespace

bool decodeMessage(const uint8_t *data, size_t size, Message &message) {
    // An address starts with '/'; "#bundle" and other strings are not messages.
    if (size < 4 || data[0] != '/')
        return false;
    int result = 0;
    lo_message decoded = lo_message_deserialise(const_cast<uint8_t *>(data), size, &result);
    if (decoded == nullptr)
        return false;
    const char *types = lo_message_get_types(decoded);
    lo_arg **argv = lo_message_get_argv(decoded);
    message.address = std::string_view(reinterpret_cast<const char *>(data));
    // liblo has checked the padding: the type tags follow the address's last zero, after a comma.
    message.types =
        std::string_view(reinterpret_cast<const char *>(data) + (message.address.size() & ~3u) + 5);
    message.argc = lo_message_get_argc(decoded);
    for (int i = 0; i < message.argc && i < kMaxValues; ++i)
        message.values[i] = valueOf(types[i], argv[i]);
    lo_message_free(decoded);
    return true;
}

} // namespace monitor
