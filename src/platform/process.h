#pragma once
// Child processes.
#include <functional>
#include <string>
#include <vector>

// Runs `command` through /bin/sh with its standard output and error on a pipe
// that is drained in 1024-byte chunks and discarded; `pump` runs between
// chunks (at least every 200 ms) so the event loop keeps serving. True when
// the pipe was made and the process started. `exitCode`, when given, receives
// the child's exit status (-1 when it did not exit normally).
bool ShellAndWait(const std::string& command, const std::function<void()>& pump = {},
                  int* exitCode = nullptr);

// Starts `program` with `args` and does not wait; true when it started.
bool StartProcess(const std::string& program, const std::vector<std::string>& args = {});
