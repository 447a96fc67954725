#include "venue/accounts.h"

#include "core/log.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kClass = "Accounts";
}

bool Accounts::Load(SQLDB* db) {
    if (db == nullptr) {
        SetErr(kErrRSNothing, kClass, "Load", "oSQLDB is nothing");
        WriteLog("oSQLDB is nothing", kClass, "Load");
        return false;
    }
    const std::string sql = "SELECT * FROM tbl_Account WHERE RowStatus =" + SQLStr("A");
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, kClass, "Load")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        Account account;
        if (!account.AddFromRS(rs.get())) continue;
        const int32_t id = account.AccountID();
        items_.Add(id, std::move(account));
    }
    return true;
}
