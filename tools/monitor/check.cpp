// Listening happens only when the port is free: messages that arrive prove the chain, whatever the
// facts say, and turn the failures they disprove into notes.
#include "check.h"

#include "checks.h"
#include "receiver.h"

#include <chrono>
#include <cstdio>

namespace monitor {
namespace {

// Datagrams that arrive on the port within two seconds; a failure to listen in error.
long listen(uint16_t port, std::string &error) {
    Receiver receiver;
    if (auto failure = receiver.open(port)) {
        error = failure->text;
        return 0;
    }
    long arrived = 0;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2))
        arrived += receiver.receive(100);
    return arrived;
}

const char *verdictText(Verdict verdict) {
    return verdict == Verdict::Note ? "note" : verdict == Verdict::Ok ? "ok" : "FAIL";
}

} // namespace

int runCheck(uint16_t port) {
    Facts facts = gatherFacts(Roots{}, port);
    std::string error;
    long arrived = facts.portHeld ? 0 : listen(port, error);
    std::vector<Check> all = checks(facts, port, arrived > 0);
    all.push_back(messagesCheck(!facts.portHeld, error, arrived));
    bool passed = true;
    for (const Check &check : all) {
        std::printf("%-5s %s\n", verdictText(check.verdict), check.text().c_str());
        passed &= check.verdict != Verdict::Fail;
    }
    return passed ? 0 : 1;
}

} // namespace monitor
