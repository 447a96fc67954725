#pragma once
// culinarotable-admin init DIR [--demo] [--scale N] [--port P] [--force]:
// lays out an installation root (Client/cfg with the INI files and the
// translated-text file, Client/Log, Client/Temp, Data with the database
// files made from the built-in schema) and fills its databases.
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

struct InitOptions {
    std::string root;
    bool demo = false;
    int scale = 1;
    int port = 7500;
    bool force = false;        // replace the database files of an existing installation
    std::string computerName;  // empty: this computer (COMPUTERNAME honoured)
};

// False, with the reason on `err`, when the installation cannot be made; an
// existing installation is refused unless `force` is set.
bool InitInstallation(const InitOptions& options, std::ostream& out, std::ostream& err);

// The database file of database server `server` (1 = the default database).
std::string InstallationDatabasePath(const std::string& root, int server);

// Registers the "init" subcommand.
void AddInitCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& status);
