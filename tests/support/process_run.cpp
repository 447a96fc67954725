#include "support/process_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

std::string ProgramPath(const std::string& name) {
    return std::string(CT_BINARY_DIR) + "/src/" + name;
}

pid_t SpawnWithPipes(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, int& inFd, int& outFd) {
    inFd = outFd = -1;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return -1;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return -1;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, out[1], 2);
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string kv = *e;
        auto eq = kv.find('=');
        if (eq != std::string::npos) merged[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : env)
        merged[k] = v;
    std::vector<std::string> envStore;
    for (const auto& [k, v] : merged)
        envStore.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return -1;
    }
    inFd = in[1];
    outFd = out[0];
    return pid;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input, const std::map<std::string, std::string>& env) {
    RunResult result;
    int inFd = -1, outFd = -1;
    const pid_t pid = SpawnWithPipes(program, args, env, inFd, outFd);
    if (pid < 0) return result;
    int in[2] = {-1, inFd}, out[2] = {outFd, -1};
    std::thread writer([&] {
        std::size_t off = 0;
        while (off < input.size()) {
            ssize_t n = ::write(in[1], input.data() + off, input.size() - off);
            if (n <= 0) break;
            off += static_cast<std::size_t>(n);
        }
        ::close(in[1]);
    });
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        result.output.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    writer.join();
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
