// Judges a datagram the way a receiver would: decoded by liblo, an independent OSC implementation,
// then compared with the message the model expects.
#pragma once

#include "hub_model.h"

#include <string>
#include <vector>

// Empty when the datagram is a well-formed OSC message with exactly the expected address and
// float arguments (bit for bit); otherwise a description of the first difference.
std::string compareDatagram(const std::vector<unsigned char> &datagram, const ExpectedMessage &expected);
