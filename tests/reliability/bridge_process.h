// The bridge as a child process, watched through /proc: alive or not, resident memory, and how
// many sockets it holds.
#pragma once

#include <string>
#include <sys/types.h>

class BridgeProcess {
public:
    // Starts `binary` with `preload` in LD_PRELOAD and the hub's scenario; output goes to `log`.
    BridgeProcess(const std::string &binary, const std::string &preload, const std::string &scenario,
                  const std::string &log);
    ~BridgeProcess();
    BridgeProcess(const BridgeProcess &) = delete;
    BridgeProcess &operator=(const BridgeProcess &) = delete;

    bool started() const { return pid > 0; }
    // False once the process has exited or was killed; the exit is then described in `ending`.
    bool alive();
    long residentKb() const;
    int socketCount() const;

    std::string ending;

private:
    pid_t pid = -1;
};
