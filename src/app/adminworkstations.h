#pragma once
// culinarotable-admin register NAME [--server ID] / unregister NAME /
// workstations: the workstations of an installation (tbl_Client). NAME is the
// computer name (COMPUTERNAME where several desks share a host) or an IP
// address, matched as the workstation looks itself up at start-up.
#include <iosfwd>
#include <string>

#include "app/admintarget.h"

namespace CLI {
class App;
}

struct RegisterOptions {
    InstallationTarget target;
    std::string name;
    int server = 0;        // database server; 0: keep it, or the first active one
    std::string code;      // ClientCode; empty: NAME in upper case, cut to 20
    std::string location;  // Location
};

// Adds an active workstation row, makes a removed one active again, or (for
// one already active) moves it to --server. 0, or 1 with the reason on `err`.
int RegisterWorkstation(const RegisterOptions& options, std::ostream& out, std::ostream& err);
// Marks the active workstation row of NAME removed ('D').
int UnregisterWorkstation(const InstallationTarget& target, const std::string& name,
                          std::ostream& out, std::ostream& err);
// One line per active workstation: ID, code, name or address, database
// server ID, location.
int ListWorkstations(const InstallationTarget& target, std::ostream& out, std::ostream& err);

void AddWorkstationCommands(CLI::App& app, std::ostream& out, std::ostream& err, int& status);
