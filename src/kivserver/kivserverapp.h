#pragma once
// The kivserver program: options, log, relay server, signal handling.
int RunKIVServer(int argc, char** argv);
