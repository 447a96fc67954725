// Which engine serves which Provider= keyword. This file sits above the SQL
// layer, the engines and the installation's procedures because it joins them.
#include <mutex>

#include "platform/textutil.h"
#include "procedures/installprocedures.h"
#include "sql/dbengine.h"
#include "sql/odbc/odbcengine.h"
#include "sql/postgres/pgengine.h"
#include "sql/sqlite/sqliteengine.h"

std::unique_ptr<DBEngine> CreateDBEngine(const std::string& provider) {
    std::string name = LowerAscii(Trim(provider));
    bool sqlServer = IsSqlServerProvider(name);
    if (name != "postgresql" && name != "sqlite" && name != "odbc" && !sqlServer) return nullptr;
    // The installation database's procedures live "in the database": the
    // engine knows them from its first connection on.
    static std::once_flag registered;
    std::call_once(registered, RegisterInstallationProcedures);
    if (name == "postgresql") return std::make_unique<PgEngine>();
    if (sqlServer) return std::make_unique<OdbcEngine>(OdbcEngine::Kind::SqlServer);
    if (name == "odbc") return std::make_unique<OdbcEngine>(OdbcEngine::Kind::Odbc);
    return std::make_unique<SQLiteEngine>();
}
