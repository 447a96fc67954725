#include "app/admin.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <iterator>

#include "app/admininit.h"
#include "app/adminjoin.h"
#include "app/adminsql.h"
#include "app/adminworkstations.h"
#include "core/startup.h"
#include "core/version.h"
#include "registry/crypto.h"

namespace {

void AddEncrypt(CLI::App& app, std::ostream& out, int& status) {
    auto* cmd = app.add_subcommand("encrypt",
                                   "print the hexadecimal cipher text of TEXT, as stored for "
                                   "database logins and passwords");
    static std::string text;
    cmd->add_option("TEXT", text, "the login or password")->required();
    cmd->callback([&out, &status] {
        out << EncryptCredential(text) << "\n";
        status = 0;
    });
}

void AddHashPassword(CLI::App& app, std::ostream& out, int& status) {
    auto* cmd = app.add_subcommand("hash-password", "print the stored hash of a user password");
    static std::string text;
    cmd->add_option("TEXT", text, "the password")->required();
    cmd->callback([&out, &status] {
        out << HashPassword(text) << "\n";
        status = 0;
    });
}

void AddSql(CLI::App& app, std::ostream& out, std::ostream& err, int& status) {
    auto* cmd =
        app.add_subcommand("sql",
                           "run a T-SQL batch against a database and print every "
                           "result (the batch from standard input without BATCH or with -)");
    static std::string db, conn, ini, batch;
    auto* dbOpt = cmd->add_option("--db", db, "the SQLite database file");
    auto* connOpt = cmd->add_option(
        "--conn", conn, "a connection string (Provider=SQLite|PostgreSQL;...; plain password)");
    auto* iniOpt = cmd->add_option("--ini", ini, "a connection INI such as cfg/KIV4Connstr.ini");
    dbOpt->excludes(connOpt)->excludes(iniOpt);
    connOpt->excludes(iniOpt);
    cmd->add_option("BATCH", batch, "the T-SQL batch, or - for standard input");
    // The options are static: a second run in one process starts empty.
    cmd->preparse_callback([](std::size_t) {
        db.clear();
        conn.clear();
        ini.clear();
        batch.clear();
    });
    cmd->callback([&out, &err, &status] {
        std::string text = batch;
        if (text.empty() || text == "-")
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (!db.empty()) {
            status = RunAdminSql(db, text, out, err);
            return;
        }
        std::string target = conn;
        if (!ini.empty()) {
            target = GetConnStr(ini);
            if (target.empty()) {
                err << "Cannot read the connection from " << ini << "\n";
                status = 1;
                return;
            }
        }
        if (target.empty()) {
            err << "sql needs --db FILE, --conn STRING or --ini FILE\n";
            status = 1;
            return;
        }
        status = RunAdminSqlOn(target, text, out, err);
    });
}

}  // namespace

int RunAdmin(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"CulinaroTable installation tool " CT_VERSION_TEXT};
    app.require_subcommand(1);
    int status = 1;
    AddEncrypt(app, out, status);
    AddHashPassword(app, out, status);
    AddInitCommand(app, out, err, status);
    AddJoinCommand(app, out, err, status);
    AddWorkstationCommands(app, out, err, status);
    AddSql(app, out, err, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }
    return status;
}
