#pragma once
// Runs one of the project's programs with input and environment, for
// end-to-end tests.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

struct RunResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Path of a built program ("culinarotable", "kivserver", ...).
std::string ProgramPath(const std::string& name);

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "",
                     const std::map<std::string, std::string>& env = {});

// Starts `program` with a pipe on its stdin (`inFd`, to write) and one from
// its stdout and stderr together (`outFd`, to read); the process id, or -1.
pid_t SpawnWithPipes(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, int& inFd, int& outFd);
