// A socket passed from a target's resolver thread to the receiving thread: nothing waiting, a new
// socket to send through, or the order to stop sending. Both sides hold the forwarder's lock.
#pragma once

#include <unistd.h>

namespace monitor {

class Handover {
public:
    Handover() = default;
    ~Handover() { discard(); }
    Handover(const Handover &) = delete;
    Handover &operator=(const Handover &) = delete;

    // Offers a new socket, or -1 to stop sending; a socket offered before and not taken is closed.
    void offer(int fd) {
        discard();
        fd_ = fd;
        waiting_ = true;
    }
    // Takes what was offered into fd (a socket, or -1); false when nothing was.
    bool take(int &fd) {
        if (!waiting_)
            return false;
        fd = fd_;
        waiting_ = false;
        return true;
    }

private:
    void discard() {
        if (waiting_ && fd_ >= 0)
            close(fd_);
        waiting_ = false;
    }

    bool waiting_ = false;
    int fd_ = -1;
};

} // namespace monitor
