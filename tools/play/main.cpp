// vrennosc-play: replays a recording of vrennosc-monitor --record into an OSC receiver, one bare
// datagram per line, with the recorded timing.
#include "play_options.h"
#include "player.h"
#include "take.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> stopping{false};

void stop(int) { stopping = true; }

// Without SA_RESTART, so that a signal ends the sleep at once.
void onStopSignals() {
    struct sigaction action {};
    action.sa_handler = stop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int failure(const std::string &error) {
    std::fprintf(stderr, "vrennosc-play: %s\n", error.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    PlayOptions options;
    std::string error;
    if (!parsePlayOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vrennosc-play: %s\n%s", error.c_str(), playUsageText());
        return 2;
    }
    if (options.help) {
        std::fputs(playUsageText(), stdout);
        return 0;
    }
    Take take;
    if (!scanTake(options.file, take, error))
        return failure(error);
    Player player;
    if (!player.open(options.to, error))
        return failure(error);
    onStopSignals();
    bool progress = isatty(STDERR_FILENO);
    bool played = player.play(take, options.speed, options.loop, progress, stopping, error);
    if (progress)
        std::fputc('\n', stderr);
    if (!played)
        return failure(error);
    if (!progress && !player.notSentText().empty())
        std::fprintf(stderr, "vrennosc-play: %s\n", player.notSentText().c_str());
    return 0;
}
