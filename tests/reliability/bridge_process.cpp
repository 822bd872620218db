// posix_spawn with an amended environment; /proc/PID/status and /proc/PID/fd for the figures.
#include "bridge_process.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
// The bridge must not inherit our descriptors (the receiver's socket among them): they would count
// as its own.
void closeOnExecAll() {
    DIR *fds = opendir("/proc/self/fd");
    if (fds == nullptr) {
        return;
    }
    for (dirent *entry = readdir(fds); entry != nullptr; entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (fd > STDERR_FILENO && fd != dirfd(fds)) {
            fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
        }
    }
    closedir(fds);
}
} // namespace

BridgeProcess::BridgeProcess(const std::string &binary, const std::string &preload,
                             const std::string &scenario, const std::string &log) {
    std::vector<std::string> variables{"LD_PRELOAD=" + preload, "VHUB_SCENARIO=" + scenario};
    for (char **v = environ; *v != nullptr; ++v) {
        const std::string variable(*v);
        if (variable.rfind("LD_PRELOAD=", 0) != 0 && variable.rfind("VHUB_SCENARIO=", 0) != 0) {
            variables.push_back(variable);
        }
    }
    std::vector<char *> envp;
    for (std::string &v : variables) {
        envp.push_back(v.data());
    }
    envp.push_back(nullptr);

    closeOnExecAll();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program(binary);
    char *argv[] = {program.data(), nullptr};
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

BridgeProcess::~BridgeProcess() {
    if (alive()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool BridgeProcess::alive() {
    if (pid <= 0 || !ending.empty()) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) {
        return true;
    }
    ending = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                 : "exited with status " + std::to_string(WEXITSTATUS(status));
    return false;
}

long BridgeProcess::residentKb() const {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kb = -1;
            status >> kb;
            return kb;
        }
    }
    return -1;
}

int BridgeProcess::socketCount() const {
    const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    DIR *fds = opendir(dir.c_str());
    if (fds == nullptr) {
        return -1;
    }
    int sockets = 0;
    for (dirent *entry = readdir(fds); entry != nullptr; entry = readdir(fds)) {
        char target[64];
        const ssize_t n = readlink((dir + "/" + entry->d_name).c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, n).rfind("socket:", 0) == 0) {
            ++sockets;
        }
    }
    closedir(fds);
    return sockets;
}
