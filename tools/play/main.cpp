// vrennosc-play: replays a recording of vrennosc-monitor --record into an OSC receiver, one bare
// datagram per line, with the recorded timing.
#include "fail.h"
#include "play_options.h"
#include "player.h"
#include "printable.h"
#include "stop_signals.h"
#include "take.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char *kProgram = "vrennosc-play";

std::atomic<bool> stopping{false};

} // namespace

int main(int argc, char **argv) {
    play::PlayOptions options;
    std::string refused = play::parsePlayOptions(argc, argv, options);
    if (!refused.empty())
        return common::endWith(kProgram, {common::Exit::Refused, refused}, play::playUsageText());
    if (options.help) {
        std::fputs(play::playUsageText().c_str(), stdout);
        return 0;
    }
    play::Take take;
    if (auto failure = play::scanTake(options.file, take))
        return common::endWith(kProgram, *failure);
    if (take.cutOffLine > 0)
        std::fprintf(stderr, "%s: %s\n", kProgram,
                     common::printable(options.file + ":" + std::to_string(take.cutOffLine) +
                                       ": the last line has no line end, as a take cut short: it is not sent")
                         .c_str());
    play::Player player;
    if (auto failure = player.open(options.to))
        return common::endWith(kProgram, *failure);
    common::stopOnSignals(stopping);
    bool progress = isatty(STDERR_FILENO);
    auto failure = player.play(take, options.speed, options.loop, progress, stopping);
    if (progress)
        std::fputc('\n', stderr);
    if (failure)
        return common::endWith(kProgram, *failure);
    if (!progress && !player.notSentText().empty())
        std::fprintf(stderr, "%s: %s\n", kProgram, common::printable(player.notSentText()).c_str());
    return 0;
}
