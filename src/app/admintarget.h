#pragma once
// Which installation an installation-tool command works on: a connection
// string given on the command line, else the connection INI of an
// installation root (--root DIR, else the registry's root), read exactly as
// the workstation reads it.
#include <string>

namespace CLI {
class App;
}

struct InstallationTarget {
    std::string root;  // installation root; empty: the registry value Path
    std::string conn;  // connection string; wins over the root
};

// Adds --root DIR and --conn STRING to `cmd`.
void AddTargetOptions(CLI::App* cmd, InstallationTarget& target);

// The connection string of the target; false, with the reason in `error`,
// when there is none.
bool TargetConnection(const InstallationTarget& target, std::string& connection,
                      std::string& error);
