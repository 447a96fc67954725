#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

extern char** environ;

namespace {

bool Spawn(const std::string& command, int outFd, pid_t* pid) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = true;
    if (outFd >= 0) {
        ok = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
             posix_spawn_file_actions_adddup2(&actions, outFd, 1) == 0 &&
             posix_spawn_file_actions_adddup2(&actions, outFd, 2) == 0;
    }
    std::string shell = "/bin/sh", flag = "-c", cmd = command;
    char* argv[] = {shell.data(), flag.data(), cmd.data(), nullptr};
    ok = ok && posix_spawn(pid, "/bin/sh", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ok;
}

}  // namespace

bool ShellAndWait(const std::string& command, const std::function<void()>& pump, int* exitCode) {
    if (exitCode != nullptr) *exitCode = -1;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_t pid = 0;
    bool started = Spawn(command, fds[1], &pid);
    // Drop our copy of the write end so reading ends when the child ends.
    ::close(fds[1]);
    if (!started) {
        ::close(fds[0]);
        return false;
    }
    std::array<char, 1024> chunk{};
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        int r = ::poll(&pfd, 1, 200);
        if (r < 0 && errno != EINTR) break;
        if (r > 0) {
            ssize_t n = ::read(fds[0], chunk.data(), chunk.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
        }
        if (pump) pump();
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (exitCode != nullptr && WIFEXITED(status)) *exitCode = WEXITSTATUS(status);
    return true;
}

bool StartProcess(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> store{program};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    // posix_spawn reports a program that cannot be executed.
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}
