#include "app/admin.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/admininit.h"
#include "core/version.h"
#include "data/crypto.h"

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

}  // namespace

int RunAdmin(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"CulinaroTable installation tool " CT_VERSION_TEXT};
    app.require_subcommand(1);
    int status = 1;
    AddEncrypt(app, out, status);
    AddHashPassword(app, out, status);
    AddInitCommand(app, out, err, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }
    return status;
}
