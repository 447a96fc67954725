// Start-up to the sign-in prompt: the whole workstation process on a demo
// installation, its input ending at the prompt. Compared with starting a
// process that does nothing, to show what start-up itself costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "benchsupport.h"

extern char** environ;

namespace {

std::string g_root;

void RunQuietly(std::vector<std::string> args) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&fa);
}

std::string Workstation() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() +
           "/../src/culinarotable";
}

void BM_StartToSignInPrompt(benchmark::State& state) {
    for (auto _ : state)
        RunQuietly({Workstation(), "--root", g_root});
}
BENCHMARK(BM_StartToSignInPrompt)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_EmptyProcess(benchmark::State& state) {
    for (auto _ : state)
        RunQuietly({"/bin/true"});
}
BENCHMARK(BM_EmptyProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("COMPUTERNAME", "BENCHWS", 1);
    const BenchInstallation install("ct-bench", 1, "");
    g_root = install.Root();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
