// Both views render a snapshot, never the model under its lock; the screen takes a new one for each
// frame unless frozen.
#include "show.h"

#include "plain.h"
#include "screen.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace monitor {

void runPlain(Live &live, double seconds, const std::function<void()> &refresh,
              const std::atomic<bool> &stopping) {
    for (int tick = 1; !stopping; ++tick) {
        bool last = seconds > 0 && tick >= seconds;
        double wake = last ? seconds : tick;
        while (!stopping && live.seconds() < wake)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        refresh();
        Snapshot now = snapshot(live);
        std::string table = renderPlain(now.model, now.status, now.now, 0);
        // A reader that went away ends the monitor even with SIGPIPE ignored, as civetweb leaves it.
        bool written = std::printf("%s\n", table.c_str()) >= 0 && std::fflush(stdout) == 0;
        if (last || !written)
            return;
    }
}

namespace {

// Acts on a key under the lock; true when it asks to quit.
bool onKey(Live &live, Key key) {
    std::lock_guard<std::mutex> hold(live.lock);
    if (key == Key::Freeze)
        live.status.frozen = !live.status.frozen;
    if (key == Key::Reset)
        live.model.resetRanges();
    if (key == Key::Clear)
        live.model.clear();
    return key == Key::Quit;
}

} // namespace

bool runScreen(Live &live, double seconds, const std::function<void()> &refresh,
               const std::atomic<bool> &stopping) {
    Screen screen;
    double factsDue = 0;
    Snapshot shown = snapshot(live);
    for (bool redraw = true; !stopping;) {
        double now = live.seconds();
        if (seconds > 0 && now >= seconds)
            return true;
        if (now >= factsDue) {
            refresh();
            screen.repaint(); // a line another program wrote to the terminal lasts a second at most
            factsDue = now + 1;
        }
        Snapshot latest = snapshot(live);
        // A frozen view still shows what a key did.
        if (!latest.status.frozen || redraw)
            shown = std::move(latest);
        else
            shown.status.frozen = true;
        screen.draw(shown.model, shown.status, shown.now);
        screen.show();
        double nextDraw = now + 1.0 / 30;
        Key key = screen.waitKey(std::max(1, static_cast<int>((nextDraw - live.seconds()) * 1000)));
        if (onKey(live, key))
            return false;
        redraw = key != Key::None;
    }
    return false;
}

} // namespace monitor
