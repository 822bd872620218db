// An independent model of what the bridge must send: the sixteen connector tables, fed with the
// hub's reports exactly as a read returns them. Used as the oracle of the fuzzer and the soak test.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

struct ExpectedMessage {
    std::string address;
    std::vector<float> values;
};

class HubModel {
public:
    // One read of `length` bytes (the report id included); appends the messages it must cause.
    void apply(const unsigned char *report, std::size_t length, std::vector<ExpectedMessage> &out);

private:
    void announce(const unsigned char *report);
    void store(int connector, int index, float value, std::vector<ExpectedMessage> &out);

    std::array<std::vector<float>, 16> values;
    std::array<std::string, 16> names;
};
