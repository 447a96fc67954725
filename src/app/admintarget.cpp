#include "app/admintarget.h"

#include <CLI/CLI.hpp>

#include "app/installlayout.h"
#include "core/mltext.h"
#include "core/startup.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/textutil.h"

void AddTargetOptions(CLI::App* cmd, InstallationTarget& target) {
    cmd->add_option("--root", target.root,
                    "installation root whose connection INI names the database (default: the "
                    "registry value Path)");
    cmd->add_option("--conn", target.conn,
                    "connection string of the installation's default database (instead of "
                    "--root)");
}

bool TargetConnection(const InstallationTarget& target, std::string& connection,
                      std::string& error) {
    if (!Trim(target.conn).empty()) {
        connection = target.conn;
        return true;
    }
    std::string root = target.root;
    if (Trim(root).empty()) root = ReadRegistryString(kRegistryKey, "Path");
    if (Trim(root).empty()) {
        error = GetMLText(
                    "No installation given (--root DIR, --conn STRING or the registry value "
                    "Path in") +
                " " + RegistryFilePath() + ")";
        return false;
    }
    const std::string ini = ConnectionIniPath(AbsoluteRoot(root));
    if (!FileExists(ini)) {
        error = GetMLText("No connection INI file") + ": " + ini;
        return false;
    }
    connection = GetConnStr(ini);
    if (connection.empty()) {
        error = GetMLText("The login or password in the connection INI cannot be decrypted") +
                ": " + ini;
        return false;
    }
    return true;
}
