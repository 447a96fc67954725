#pragma once
// culinarotable-admin init DIR --engine postgresql --server HOST[:PORT]: the
// installation is laid out and filled as for the embedded engine, then each
// database file moves into its own PostgreSQL database (kivdb1, kivdb2 ...,
// or another name given by --database)
// made from the same schema; the connection INI and tbl_DBServer then name
// the server, with login and password as cipher text.
#include <iosfwd>
#include <string>

#include "app/admininit.h"

struct PgInitOptions {
    std::string server;              // HOST[:PORT]
    std::string user;                // empty: PGUSER
    std::string password;            // empty: PGPASSWORD
    std::string database = "kivdb";  // databases are named this plus the server number
};

bool InitPostgresInstallation(const InitOptions& options, const PgInitOptions& pg,
                              std::ostream& out, std::ostream& err);
