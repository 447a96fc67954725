#pragma once
// culinarotable-admin join DIR --conn "CONNECTION STRING" [--force]
// [--registry]: lays out the installation root of a desk that works on an
// existing installation, whose default database the connection string names
// (on another computer, or a file this computer shares): Client/cfg with the
// connection INI (login and password as cipher text), the client INI and the
// translated-text file, Client/Log and Client/Temp. It checks first that the
// database answers as an installation.
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

// A connection string taken apart as the connection INI keeps it.
struct ConnectionParts {
    std::string connStr;     // every other keyword, in the order given
    std::string dataSource;  // "Data Source" (or "Server", "Host")
    std::string user;        // "User ID" (or "UID", "User", "Username"), plain text
    std::string password;    // "Password" (or "PWD"), plain text
};

// False, with the reason in `error`, when the text is not a list of
// KEY=VALUE parts, names no Provider or (except for PostgreSQL) no Data
// Source, or gives a password without a login. "Integrated Security" and "Application Name" are
// left out: the workstation adds them itself.
bool SplitConnectionString(const std::string& text, ConnectionParts& parts, std::string& error);

struct JoinOptions {
    std::string root;
    std::string conn;
    bool force = false;     // replace the connection settings of a desk set up before
    bool registry = false;  // record the root as the registry value Path
};

bool JoinInstallation(const JoinOptions& options, std::ostream& out, std::ostream& err);

void AddJoinCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& status);
