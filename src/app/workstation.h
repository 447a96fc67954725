#pragma once
// The culinarotable program: command line, console front end, start-up.
#include <string>
#include <vector>

// Joins arguments into one command line as the platform passes it (an
// argument holding a blank is enclosed in double quotes).
std::string JoinCommandLine(const std::vector<std::string>& args);

int RunWorkstation(int argc, char** argv);
