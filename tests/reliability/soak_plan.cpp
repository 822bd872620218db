// Random reports drawn from a seeded generator; the plan's model sees each delivered report in
// script order, which is the order the hub hands them to the bridge.
#include "soak_plan.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

namespace {
using Bytes = std::vector<unsigned char>;

class Generator {
public:
    explicit Generator(unsigned seed) : random(seed) {}

    int below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return below(100) < percent; }

    // Mostly the sixteen connectors, sometimes a number without a slot.
    int connector() { return chance(90) ? 1 + below(16) : (chance(50) ? 0 : 17 + below(239)); }

    Bytes announcement() {
        Bytes report(62, 0);
        report[0] = 3;
        report[1] = 1;
        report[2] = static_cast<unsigned char>(connector());
        const int nameLength = chance(3) ? 59 : below(12);
        std::size_t at = 3;
        for (int i = 0; i < nameLength && at < 62; ++i) {
            // Letters mostly; any byte but NUL now and then, '/' and pattern characters included.
            report[at++] = static_cast<unsigned char>(chance(90) ? 'a' + below(26) : 1 + below(255));
        }
        at += 1; // the name's NUL
        if (at < 62) {
            report[at++] = static_cast<unsigned char>(below(256)); // the skipped byte
        }
        const int signatureLength = chance(10) ? 0 : 1 + below(chance(10) ? 20 : 4);
        for (int i = 0; i < signatureLength && at < 62; ++i) {
            report[at++] = 'f';
        }
        return report;
    }

    Bytes valueReport() {
        Bytes report(62, 0);
        report[0] = 3;
        for (std::size_t entry = 2; entry < 62; entry += 6) {
            if (chance(30)) {
                continue; // connector 0: no slot
            }
            report[entry] = static_cast<unsigned char>(connector());
            report[entry + 1] = static_cast<unsigned char>(chance(95) ? below(5) : below(256));
            float value = static_cast<float>(below(2001) - 1000) / 100.0f;
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            if (chance(5)) {
                bits = static_cast<std::uint32_t>(random()); // NaNs, infinities and denormals too
            }
            for (int b = 0; b < 4; ++b) {
                report[entry + 2 + b] = static_cast<unsigned char>(bits >> (8 * b));
            }
        }
        return report;
    }

    // Another length, report id or type: the bridge must ignore it.
    Bytes invalidReport() {
        Bytes report(chance(50) ? 62 : 1 + below(64), 0);
        for (unsigned char &b : report) {
            b = static_cast<unsigned char>(below(256));
        }
        if (report.size() == 62 && report[0] == 3 && report[1] < 2) {
            report[1] = 2;
        }
        return report;
    }

    Bytes anyReport() {
        const int kind = below(100);
        return kind < 25 ? announcement() : kind < 80 ? valueReport() : invalidReport();
    }

private:
    std::mt19937 random;
};

std::string rawLine(const Bytes &report) {
    std::string line = "raw ";
    char hex[3];
    for (unsigned char b : report) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        line += hex;
    }
    return line + "\n";
}

class PlanWriter {
public:
    PlanWriter(SoakPlan &plan, Generator &generator) : plan(plan), generator(generator) {}

    void deliver(const Bytes &report) {
        plan.scenario += rawLine(report);
        model.apply(report.data(), report.size(), plan.segments.back().messages);
        ++plan.deliveredReports;
    }

    // An unplug/replug pair; reports scripted between them fall due while the hub is away. Now and
    // then the hub stays away long enough for the bridge to find it absent and wait.
    void cycle(bool longAbsence) {
        plan.scenario += "unplug\n";
        if (longAbsence) {
            plan.scenario += "wait 120\n";
        }
        for (int lost = generator.below(3); lost > 0; --lost) {
            plan.scenario += rawLine(generator.anyReport());
            ++plan.lostReports;
        }
        plan.scenario += "replug\n";
        if (longAbsence) {
            // The bridge looks for the hub every 100 ms; reports due before it is back would come in
            // one burst, enough to overflow a receiver that a sanitizer slows down.
            plan.scenario += "wait 150\n";
        }
        ++plan.cycles;
    }

    // One message at least, so that the receiver can tell where the segment ends.
    void ensureMessage() {
        if (!plan.segments.back().messages.empty()) {
            return;
        }
        const int connector = 1 + generator.below(16);
        Bytes announce(62, 0), value(62, 0);
        announce[0] = value[0] = 3;
        announce[1] = 1;
        announce[2] = value[2] = static_cast<unsigned char>(connector);
        std::memcpy(&announce[3], "mark\0\0f", 7);
        deliver(announce);
        deliver(value);
    }

    void segment(bool ensured) {
        plan.segments.emplace_back();
        for (int n = 1 + generator.below(12); n > 0; --n) {
            if (generator.chance(25)) {
                // A long absence delays what follows; the segments around a receiver pause keep time.
                cycle(!ensured && generator.below(200) == 0);
            }
            deliver(generator.anyReport());
        }
        if (ensured) {
            ensureMessage();
        }
    }

private:
    SoakPlan &plan;
    Generator &generator;
    HubModel model;
};
} // namespace

SoakPlan makeSoakPlan(long cycles, unsigned seed) {
    SoakPlan plan;
    Generator generator(seed);
    PlanWriter writer(plan, generator);
    const std::string pause = "wait " + std::to_string(receiverPauseMs) + "\n";
    while (plan.cycles < cycles) {
        if (plan.segments.size() % 300 == 299) {
            writer.segment(true);
            plan.segments.back().stopReceiverAfter = true;
            plan.scenario += pause;
            writer.segment(true);
            plan.segments.back().sentWhileDown = true;
            plan.scenario += pause;
        } else {
            writer.segment(false);
            plan.scenario += "wait 2\n";
        }
    }
    // The hub's clock starts once its script is parsed; a short opening pause lets the bridge find
    // the hub before the first report falls due.
    plan.leadInMs = 500;
    plan.scenario = "# soak, seed " + std::to_string(seed) + "\nwait " + std::to_string(plan.leadInMs) +
                    "\n" + plan.scenario;
    return plan;
}
