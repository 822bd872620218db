// Fuzzes the device link: arbitrary bytes become the hub's reads and go through the bridge's real
// decode -> table -> message path. What arrives, decoded by liblo, must be exactly what a model of
// the sixteen tables, written from the report layout, expects; anything else is a crash.
//
// Input: a sequence of reads, each a header byte h and its bytes: h < 0xc0, a 62-byte read (the
// hub's report size); h < 0xf8, a read of 1 + next byte bytes; otherwise an unplug. A read cut
// short by the input's end is shorter.
#include "fake_platform.h"
#include "osc_receiver.h"
#include "vrennosc.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// What the bridge must send for each read, in the receiver's decoded form.
class Model {
public:
    void apply(fake::Bytes report, std::vector<std::string> &out) {
        if (report.size() != 62 || report[0] != 3) {
            return;
        }
        report.resize(256, 0); // the bridge's zero-filled read buffer
        const char *text = reinterpret_cast<const char *>(report.data());
        if (report[1] == 1 && slot(report[2])) {
            const std::string name(text + 3), sig(text + 5 + std::string(text + 3).size());
            names[report[2] - 1] = name;
            if (sig.size() != values[report[2] - 1].size()) {
                values[report[2] - 1].assign(sig.size(), 0.0f);
            }
        }
        for (int k = 0; report[1] == 0 && k < 10; ++k) {
            const unsigned char *entry = report.data() + 2 + 6 * k;
            const std::uint32_t bits =
                entry[2] | entry[3] << 8 | entry[4] << 16 | std::uint32_t(entry[5]) << 24;
            float value;
            std::memcpy(&value, &bits, sizeof value);
            store(entry[0], entry[1], value, out);
        }
    }

private:
    static bool slot(int connector) { return connector >= 1 && connector <= 16; }
    void store(int connector, std::size_t index, float value, std::vector<std::string> &out) {
        if (!slot(connector) || index >= values[connector - 1].size()) {
            return;
        }
        std::vector<float> &v = values[connector - 1];
        v[index] = value;
        if (index + 1 == v.size()) {
            static const char *labels[] = {"A0", "A1", "A2", "A3",  "D2",  "D3",  "D4",  "D5",
                                           "D6", "D7", "D8", "I2C", "I2C", "I2C", "I2C", "UART"};
            std::string line = std::string("/vrenn/") + labels[connector - 1] + "-" + names[connector - 1] +
                               " ," + std::string(v.size(), 'f');
            for (float f : v) {
                char number[32];
                std::snprintf(number, sizeof number, " %g", f);
                line += number;
            }
            out.push_back(line);
        }
    }

    std::array<std::vector<float>, 16> values;
    std::array<std::string, 16> names;
};

bool nextRead(const std::uint8_t *&data, const std::uint8_t *end, fake::Read &read) {
    if (data == end) {
        return false;
    }
    const std::uint8_t header = *data++;
    if (header >= 0xf8) {
        read = fake::unplug;
        return true;
    }
    std::size_t length = header < 0xc0 ? 62 : data == end ? 1 : 1 + std::size_t(*data++);
    length = std::min(length, std::size_t(end - data));
    read = fake::report(fake::Bytes(data, data + length));
    data += length;
    return length > 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static OscReceiver receiver; // one for the whole run: the bridge keeps the socket it connected first
    VrennOSC bridge;
    bridge.port = receiver.port;
    HIDCommunication link(&bridge);
    Model model;
    fake::Read read;
    const std::uint8_t *end = data + size;
    while (nextRead(data, end, read)) {
        fake::reset();
        fake::queue({read});
        fake::stopAtLastRead(&link);
        link.run();
        std::vector<std::string> expected;
        if (read.result > 0) {
            model.apply(read.bytes, expected);
        }
        if (receiver.receive(1000, expected.size()) != expected || !receiver.receive(0).empty()) {
            std::fprintf(stderr, "device fuzzer: the bridge sent other messages than the model expects\n");
            std::abort();
        }
    }
    return 0;
}
