// The page's frame for a model of 1024 rows with addresses of the longest kept length, of which one
// row changes between frames, as when one sensor of many sends: the time to make one frame.
//   bench_frames FRAMES    prints: rows 1024, FRAMES frames, N us per frame
#include "model.h"
#include "web_frame.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    int frames = argc == 2 ? std::atoi(argv[1]) : 0;
    if (frames < 1) {
        std::fprintf(stderr, "usage: bench_frames FRAMES\n");
        return 2;
    }
    monitor::Model model;
    std::string addresses[monitor::kMaxRows];
    monitor::Message message;
    message.argc = 1;
    message.types = "f";
    message.values[0].numeric = true;
    for (size_t i = 0; i < monitor::kMaxRows; ++i) {
        addresses[i] = "/bench/" + std::to_string(i) + std::string(monitor::kMaxAddress - 12, 'x');
        message.address = addresses[i];
        model.add(message, 0.0);
    }
    monitor::FrameMaker maker;
    monitor::Status status;
    double now = 20.0; // every rate has settled
    maker.make(model, status, now, true);
    auto start = std::chrono::steady_clock::now();
    size_t bytes = 0;
    for (int i = 0; i < frames; ++i) {
        message.address = addresses[0];
        message.values[0].number = i;
        now += 0.1;
        model.add(message, now);
        bytes += maker.make(model, status, now, false).changes->size();
    }
    double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf("rows %zu, %d frames, %.1f us per frame, %zu bytes per frame\n", monitor::kMaxRows, frames,
                us / frames, bytes / frames);
}
