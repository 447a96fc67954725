#include "app/admininit.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <ostream>

#include "app/admininitpg.h"
#include "app/basedata.h"
#include "app/demodata.h"
#include "app/installcontext.h"
#include "app/installlayout.h"
#include "core/mltext.h"
#include "platform/hostinfo.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "sql/embeddedfiles.h"
#include "sql/sqlite/sqlitefile.h"

namespace fs = std::filesystem;

namespace {

// The connection INI is read into 255-character buffers: a longer database
// path would be cut and open another file.
constexpr std::size_t kMaxDataSource = 254;

void RemoveDatabase(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(path + suffix, ec);
}

// KIV4Connstr.ini names the default database; KIV4Client.ini keeps this
// workstation's preferences and is only written when missing.
bool WriteIniFiles(const std::string& root, const std::string& defaultDb) {
    return WriteConnectionIni(ConnectionIniPath(root), {"Provider=SQLite", defaultDb, "", ""}) &&
           WriteClientFiles(root);
}

bool FillDatabase(const std::string& path, const InstallContext& ctx, int server,
                  std::string& error) {
    if (!CreateSchemaDatabase(path, error)) return false;
    SQLiteFile db;
    if (!db.Open(path) || !db.Begin()) {
        error = db.LastError();
        return false;
    }
    bool ok = WriteBaseData(db, ctx, error);
    if (ok && ctx.demo) {
        ok = WriteDemoSharedData(db, ctx, error) && WriteDemoServerData(db, ctx, server, error);
    }
    if (ok && !db.Commit()) {
        error = db.LastError();
        ok = false;
    }
    if (!ok) db.Rollback();
    return ok;
}

}  // namespace

bool ParseRelayAddress(const std::string& text, std::string& host, int& port) {
    std::string rest = text;
    std::string name;
    if (!rest.empty() && rest.front() == '[') {  // [IPv6]:port
        const auto close = rest.find(']');
        if (close == std::string::npos) return false;
        name = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return false;
    } else {
        const auto colon = rest.find(':');
        // More than one colon and no brackets: a bare IPv6 address.
        const bool bareV6 =
            colon != std::string::npos && rest.find(':', colon + 1) != std::string::npos;
        name = bareV6 || colon == std::string::npos ? rest : rest.substr(0, colon);
        rest = bareV6 || colon == std::string::npos ? "" : rest.substr(colon);
    }
    if (name.empty() || name.find_first_of(" \t'\"") != std::string::npos) return false;
    int value = port;
    if (!rest.empty()) {
        const std::string digits = rest.substr(1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = std::stoi(digits);
        if (value < 1 || value > 65535) return false;
    }
    host = name;
    port = value;
    return true;
}

std::string InstallationDatabasePath(const std::string& root, int server) {
    return AbsoluteRoot(root) + "/Data/KIVDB" + std::to_string(server) + ".db";
}

bool InitInstallation(const InitOptions& options, std::ostream& out, std::ostream& err) {
    if (options.root.empty()) {
        err << GetMLText("No installation folder given") << "\n";
        return false;
    }
    const std::string root = AbsoluteRoot(options.root);
    InstallContext ctx;
    ctx.today = DateTime::Now().DatePart();
    ctx.computerName = options.computerName.empty() ? PlatformComputerName() : options.computerName;
    ctx.port = options.port;
    if (!options.relay.empty() && !ParseRelayAddress(options.relay, ctx.relayHost, ctx.port)) {
        err << GetMLText("The relay must be given as HOST or HOST:PORT") << ": " << options.relay
            << "\n";
        return false;
    }
    // The demo's web booking simulator listens next to the relay server.
    ctx.webPort = ctx.port % 65535 + 1;
    ctx.demo = options.demo;
    ctx.scale = options.scale;
    const int servers = options.demo ? 2 : 1;
    for (int s = 1; s <= servers; ++s)
        ctx.databases.push_back(InstallationDatabasePath(root, s));
    if (ctx.databases.back().size() > kMaxDataSource) {
        err << GetMLText("The installation folder path is too long") << ": " << root << "\n";
        return false;
    }
    // Never replace an installation's data unless asked to.
    const bool exists = fs::exists(root + "/Client/cfg/KIV4Connstr.ini") ||
                        fs::exists(InstallationDatabasePath(root, 1)) ||
                        fs::exists(InstallationDatabasePath(root, 2));
    if (exists && !options.force) {
        err << GetMLText(
                   "An installation already exists in this folder (use --force to replace "
                   "its databases)")
            << ": " << root << "\n";
        return false;
    }
    if (exists) {
        RemoveDatabase(InstallationDatabasePath(root, 1));
        RemoveDatabase(InstallationDatabasePath(root, 2));
    }
    if (!MakeInstallFolders(root, true, err)) return false;
    if (!WriteIniFiles(root, ctx.databases.front())) {
        err << GetMLText("Cannot write the configuration files in") << ": " << root
            << "/Client/cfg\n";
        return false;
    }
    for (int s = 1; s <= servers; ++s) {
        std::string error;
        if (!FillDatabase(ctx.databases[static_cast<std::size_t>(s - 1)], ctx, s, error)) {
            err << GetMLText("Cannot create the database") << ": "
                << ctx.databases[static_cast<std::size_t>(s - 1)] << " (" << error << ")\n";
            for (const auto& path : ctx.databases)
                RemoveDatabase(path);
            return false;
        }
    }
    if (ctx.demo && !WriteWholeFile(root + "/Data/websim.json", DemoWebServiceConfig(ctx))) {
        err << GetMLText("Cannot write the web booking simulator's file") << ": " << root
            << "/Data/websim.json\n";
        return false;
    }
    out << GetMLText("Installation created") << ": " << root << "\n";
    for (const auto& path : ctx.databases)
        out << "  " << path << "\n";
    return true;
}

void AddInitCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& status) {
    auto* cmd = app.add_subcommand("init",
                                   "lay out an installation in DIR: folders, INI files, "
                                   "translated texts and databases");
    // Owned by the callback, so each App parses into fresh options.
    auto options = std::make_shared<InitOptions>();
    cmd->add_option("DIR", options->root, "installation root")->required();
    cmd->add_flag("--demo", options->demo, "fill a demo installation (two database servers)");
    cmd->add_option("--scale", options->scale, "demo: multiply tables and reservations by N")
        ->check(CLI::Range(1, 100));
    cmd->add_option("--port", options->port, "port of the KIV server (default 7500)")
        ->check(CLI::Range(1, 65535));
    cmd->add_option("--relay", options->relay,
                    "HOST[:PORT] of the KIV server the workstations connect to (default "
                    "127.0.0.1 and --port)");
    cmd->add_flag("--force", options->force,
                  "replace the databases of an existing installation in DIR");
    auto engine = std::make_shared<std::string>("sqlite");
    auto pg = std::make_shared<PgInitOptions>();
    cmd->add_option("--engine", *engine, "sqlite (default) or postgresql")
        ->check(CLI::IsMember({"sqlite", "postgresql"}, CLI::ignore_case));
    cmd->add_option("--server", pg->server, "postgresql: the database server, HOST[:PORT]");
    cmd->add_option("--user", pg->user, "postgresql: the login (default: PGUSER)");
    cmd->add_option("--password", pg->password, "postgresql: its password (default: PGPASSWORD)");
    cmd->add_option("--database", pg->database,
                    "postgresql: database names, NAME1, NAME2 ... (default kivdb)");
    cmd->callback([options, engine, pg, &out, &err, &status] {
        bool ok = LowerAscii(*engine) == "postgresql"
                      ? InitPostgresInstallation(*options, *pg, out, err)
                      : InitInstallation(*options, out, err);
        status = ok ? 0 : 1;
    });
}
