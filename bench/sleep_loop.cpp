// Sleeps for ever, a given number of microseconds at a time: the CPU cost of waking up alone,
// measured beside the idle bridge, whose loop pauses 1 ms after an empty read and 100 ms after
// failing to find the hub.
//
//   bench_sleep_loop MICROSECONDS
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv) {
    const useconds_t pause = argc == 2 ? static_cast<useconds_t>(std::atol(argv[1])) : 1000;
    for (;;) {
        usleep(pause);
    }
}
